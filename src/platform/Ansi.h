#pragma once

#include <QByteArray>
#include <QString>

// The single-byte code page Windows-1252 ("ANSI"). Characters it cannot hold become "?".
class Ansi {
public:
    static QByteArray fromUnicode(const QString& text);
    static QString toUnicode(const QByteArray& bytes);

    // The code of one character (63, "?", when it has none) and the character of one code.
    static quint8 code(QChar character);
    static QChar character(quint8 code);
};
