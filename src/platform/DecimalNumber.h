#pragma once

#include <QString>

// A number as decimal digits, the form in which the runtime rounds and formats: the value is
// 0.d1d2d3... x 10^pointPosition, with the sign kept apart. Doubles enter with a fixed number of
// significant digits (15, 7 for Singles), so 1.005 is 1.005 and not its binary neighbour.
class DecimalNumber {
public:
    DecimalNumber() = default;
    static DecimalNumber fromDouble(double value, int significantDigits);
    // Currency in ten-thousandths, exactly.
    static DecimalNumber fromCurrency(qint64 tenThousandths);

    bool isNegative() const { return m_negative && !isZero(); }
    bool isZero() const { return m_digits.isEmpty(); }
    // Digits before the decimal point of the value (may be 0 or negative for small values).
    int pointPosition() const { return m_point; }

    DecimalNumber absolute() const;
    // Multiplies by 10^power, exactly.
    DecimalNumber scaled(int power) const;
    // Keeps `fractionDigits` digits after the point, rounding half away from zero.
    DecimalNumber rounded(int fractionDigits) const;

    // The digits before the point, without leading zeros ("" for a value below 1).
    QString integerDigits() const;
    // Exactly `count` digits after the point (cut, not rounded; round first).
    QString fractionDigits(int count) const;
    // "123.45", "-0.5", "0": the plain text with no trailing zeros.
    QString toPlainText() const;

private:
    DecimalNumber(bool negative, QString digits, int point);
    void normalize();
    QChar digitAt(int index) const;

    bool m_negative = false;
    QString m_digits; // no leading or trailing zeros; empty for zero
    int m_point = 0;
};
