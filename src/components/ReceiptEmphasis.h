#pragma once

#include <QString>

// The emphasis of a text element: words (bold, underline, italic, reverse or inverse) or their
// letters, in any order and separated by anything that is not a letter: "bold", "b", "bu",
// "bold,underline".
class ReceiptEmphasis {
public:
    static ReceiptEmphasis parse(const QString& text);

    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool reverse = false;

private:
    static ReceiptEmphasis words(const QString& text);
    void set(QChar letter);
};
