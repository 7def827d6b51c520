#pragma once

#include <QChar>

// The value of one hexadecimal digit (either case), or -1 for any other character.
class HexDigit {
public:
    static int value(QChar character);
};
