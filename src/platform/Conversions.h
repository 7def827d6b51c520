#pragma once

#include "platform/Variant.h"

#include <optional>

// The runtime's conversion rules, each one function.
class Conversions {
public:
    // CStr: Booleans "True"/"False", numbers in the runtime's shortest decimal form
    // (Double up to 15 significant digits, Single up to 7, exponent as "1E+20"), Currency with up
    // to four decimals, Dates as DateValue::toText, Null raises 94, Empty gives "".
    static QString toText(const Variant& value);
    // CBool: numbers are True when not 0; texts "True"/"False" (any case) or numeric texts.
    static bool toBoolean(const Variant& value);
    // CInt / CLng: banker's rounding, Overflow (6) outside the range, Type mismatch (13).
    static qint16 toInteger(const Variant& value);
    static qint32 toLong(const Variant& value);
    static float toSingle(const Variant& value);
    static double toDouble(const Variant& value);
    // CCur in ten-thousandths.
    static qint64 toCurrency(const Variant& value);
    // CDate as a serial day number.
    static double toDate(const Variant& value);

    // IsNumeric: numbers, Empty, and texts the runtime reads as a number (blanks around it,
    // sign, decimals, exponent, thousands separators, "&H" hexadecimal and "&O" octal).
    static bool isNumeric(const Variant& value);
    // The number an IsNumeric text stands for; nothing when it is not numeric.
    static std::optional<double> parseNumber(const QString& text);
    // Val: the leading number of a text ("12abc" gives 12; blanks inside are skipped; "&H"
    // hexadecimal), 0 when it has none.
    static double val(const QString& text);
    // Round half to even, as the runtime's integer conversions do.
    static double roundHalfEven(double value);
};
