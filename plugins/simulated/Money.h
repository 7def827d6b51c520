#pragma once

#include <QString>
#include <optional>

// Amounts in ten-thousandths of the currency unit, as the contract carries them.
class Money {
public:
    static constexpr qint64 kUnit = 10000;

    // "12.50" from 125000; cents are always shown.
    static QString text(qint64 tenThousandths);
    // A plain decimal ("10", "10.5", "10.50") with at most four decimals and at most seven
    // whole digits; nothing for anything else (signs, exponents, blanks inside).
    static std::optional<qint64> parse(const QString& text);
};
