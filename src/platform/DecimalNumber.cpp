#include "platform/DecimalNumber.h"

#include <charconv>
#include <cmath>

DecimalNumber::DecimalNumber(bool negative, QString digits, int point)
    : m_negative(negative)
    , m_digits(std::move(digits))
    , m_point(point)
{
    normalize();
}

void DecimalNumber::normalize()
{
    qsizetype leading = 0;
    while (leading < m_digits.size() && m_digits.at(leading) == u'0')
        ++leading;
    m_digits.remove(0, leading);
    m_point -= int(leading);
    while (!m_digits.isEmpty() && m_digits.back() == u'0')
        m_digits.chop(1);
    if (m_digits.isEmpty())
        m_point = 0;
}

DecimalNumber DecimalNumber::fromDouble(double value, int significantDigits)
{
    if (!std::isfinite(value) || value == 0.0)
        return {};
    // "d.ddddde+xx" in the C locale whatever the process locale is.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, significantDigits - 1);
    const QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    const qsizetype e = text.indexOf(u'e');
    QString digits = text.left(e);
    digits.remove(u'.');
    const int exponent = text.mid(e + 1).toInt();
    return DecimalNumber(value < 0, digits, exponent + 1);
}

DecimalNumber DecimalNumber::fromCurrency(qint64 tenThousandths)
{
    // The magnitude of the smallest qint64 does not fit a qint64; it does fit a quint64.
    const quint64 magnitude = tenThousandths < 0 ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
    const QString digits = QString::number(magnitude);
    return DecimalNumber(tenThousandths < 0, digits, int(digits.size()) - 4);
}

DecimalNumber DecimalNumber::absolute() const
{
    return DecimalNumber(false, m_digits, m_point);
}

DecimalNumber DecimalNumber::scaled(int power) const
{
    return DecimalNumber(m_negative, m_digits, isZero() ? 0 : m_point + power);
}

DecimalNumber DecimalNumber::rounded(int fractionDigits) const
{
    const int keep = m_point + fractionDigits;
    if (keep >= m_digits.size())
        return *this;
    if (keep < 0)
        return DecimalNumber(m_negative, {}, 0);
    QString digits = m_digits.left(keep);
    int point = m_point;
    if (m_digits.at(keep) >= u'5') {
        // Carry from the last kept digit to the left; "999" becomes "1000".
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits.at(i) == u'9')
            digits[i--] = u'0';
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(u'1');
            ++point;
        }
    }
    return DecimalNumber(m_negative, digits, point);
}

QChar DecimalNumber::digitAt(int index) const
{
    return index >= 0 && index < m_digits.size() ? m_digits.at(index) : QChar(u'0');
}

QString DecimalNumber::integerDigits() const
{
    QString result;
    for (int i = 0; i < m_point; ++i)
        result.append(digitAt(i));
    return result;
}

QString DecimalNumber::fractionDigits(int count) const
{
    QString result;
    for (int i = 0; i < count; ++i)
        result.append(digitAt(m_point + i));
    return result;
}

QString DecimalNumber::toPlainText() const
{
    const QString integer = integerDigits();
    const int fractionCount = std::max(0, int(m_digits.size()) - m_point);
    QString text = isNegative() ? QStringLiteral("-") : QString();
    text += integer.isEmpty() ? QStringLiteral("0") : integer;
    if (fractionCount > 0)
        text += u'.' + fractionDigits(fractionCount);
    return text;
}
