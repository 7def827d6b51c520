#pragma once

#include <QString>

// The runtime's Trim, LTrim and RTrim: they remove blanks (code 32) only, never tabs or
// line ends.
class Blanks {
public:
    static QString trim(const QString& text);
    static QString trimLeft(const QString& text);
    static QString trimRight(const QString& text);
};
