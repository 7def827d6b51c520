#include "platform/Conversions.h"

#include "platform/DateValue.h"
#include "platform/HexDigit.h"
#include "platform/DecimalNumber.h"
#include "platform/RuntimeErrors.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

struct ParsedNumber {
    enum class Status { Number, NotNumeric, Overflow };
    Status status = Status::NotNumeric;
    double value = 0.0;
};

ParsedNumber numberOf(double value)
{
    return {ParsedNumber::Status::Number, value};
}

constexpr ParsedNumber kNotNumeric {};
constexpr ParsedNumber kOverflow {ParsedNumber::Status::Overflow, 0.0};

bool isWhiteSpace(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// A digit's value, or 36 (beyond every radix) for any other character.
int digitValue(QChar c)
{
    const int value = HexDigit::value(c);
    return value < 0 ? 36 : value;
}

bool isDigitOf(QChar c, int radix)
{
    return digitValue(c) < radix;
}

// The radix of an "&H" (16) or "&O" (8) prefix at `pos`, or 0.
int radixPrefixAt(QStringView text, qsizetype pos)
{
    if (pos + 1 >= text.size() || text.at(pos) != u'&')
        return 0;
    const QChar letter = text.at(pos + 1).toUpper();
    return letter == u'H' ? 16 : letter == u'O' ? 8 : 0;
}

qsizetype radixDigitsEnd(QStringView text, qsizetype pos, int radix)
{
    while (pos < text.size() && isDigitOf(text.at(pos), radix))
        ++pos;
    return pos;
}

// "&H" and "&O" numbers are Integers when they fit 16 bits and Longs when they fit 32, so
// "&HFFFF" is -1 and "&HFFFFFFFF" is -1 too; a wider number overflows. A Long can be asked for,
// as Val does for "&HFFFF&".
ParsedNumber radixValue(QStringView digits, int radix, bool forceLong)
{
    quint64 value = 0;
    for (const QChar c : digits) {
        value = value * quint64(radix) + quint64(digitValue(c));
        if (value > 0xFFFFFFFFull)
            return kOverflow;
    }
    if (!forceLong && value <= 0xFFFFull)
        return numberOf(qint16(quint16(value)));
    return numberOf(qint32(quint32(value)));
}

// Decimal text as the C library reads it, with what is needed to tell overflow from underflow.
struct DecimalText {
    std::string ascii;
    bool hasDigits = false;
    int integerSignificant = 0; // digits before the point after leading zeros
    int fractionLeadingZeros = 0;
    bool nonZero = false;
    long exponent = 0;

    void addDigit(QChar c, bool inFraction)
    {
        ascii += char(c.unicode());
        hasDigits = true;
        if (c != u'0')
            nonZero = true;
        if (!inFraction && nonZero)
            ++integerSignificant;
        if (inFraction && !nonZero)
            ++fractionLeadingZeros;
    }

    ParsedNumber value(bool negative) const
    {
        double result = 0.0;
        const std::from_chars_result read = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
        if (read.ec == std::errc::result_out_of_range) {
            const long magnitude = (integerSignificant > 0 ? integerSignificant : -fractionLeadingZeros) + exponent;
            if (magnitude > 0)
                return kOverflow;
            result = 0.0;
        }
        return numberOf(negative ? -result : result);
    }
};

// Scans digits, an optional fraction and an optional exponent ("E" or "D", as the runtime
// also reads "1D3") from `pos`; returns the end. The thousands separator "," is skipped
// inside the whole part when `grouping` allows it, as the runtime does ("1,2" is 12).
qsizetype scanDecimal(QStringView text, qsizetype pos, bool grouping, DecimalText& out)
{
    const auto isDigit = [&](qsizetype at) { return at < text.size() && isDigitOf(text.at(at), 10); };
    for (; pos < text.size(); ++pos) {
        if (isDigit(pos))
            out.addDigit(text.at(pos), false);
        else if (!(grouping && out.hasDigits && text.at(pos) == u','))
            break;
    }
    if (pos < text.size() && text.at(pos) == u'.') {
        out.ascii += '.';
        for (++pos; isDigit(pos); ++pos)
            out.addDigit(text.at(pos), true);
    }
    if (!out.hasDigits || pos >= text.size() || !QStringView(u"eEdD").contains(text.at(pos)))
        return pos;
    qsizetype at = pos + 1;
    const bool negativeExponent = at < text.size() && text.at(at) == u'-';
    if (at < text.size() && (text.at(at) == u'+' || text.at(at) == u'-'))
        ++at;
    if (!isDigit(at))
        return pos;
    out.ascii += negativeExponent ? "e-" : "e";
    for (; isDigit(at); ++at) {
        out.ascii += char(text.at(at).unicode());
        out.exponent = std::min(out.exponent * 10 + digitValue(text.at(at)), 1000000L);
    }
    if (negativeExponent)
        out.exponent = -out.exponent;
    return at;
}

// The strict reading behind IsNumeric and CDbl: the whole text must be one number.
class NumericTextParser {
public:
    explicit NumericTextParser(QStringView text)
        : m_text(text)
    {
    }

    ParsedNumber parse()
    {
        skipWhiteSpace();
        const int radix = radixPrefixAt(m_text, m_pos);
        return radix != 0 ? parseRadix(radix) : parseDecimal();
    }

private:
    bool take(QChar c)
    {
        if (m_pos < m_text.size() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void skipWhiteSpace()
    {
        while (m_pos < m_text.size() && isWhiteSpace(m_text.at(m_pos)))
            ++m_pos;
    }

    bool atEndAfterWhiteSpace()
    {
        skipWhiteSpace();
        return m_pos == m_text.size();
    }

    ParsedNumber parseRadix(int radix)
    {
        const qsizetype start = m_pos + 2;
        const qsizetype end = radixDigitsEnd(m_text, start, radix);
        m_pos = end;
        if (end == start || !atEndAfterWhiteSpace())
            return kNotNumeric;
        return radixValue(m_text.sliced(start, end - start), radix, false);
    }

    // [sign] digits [.digits] [exponent] [trailing sign], or the same in parentheses for a
    // negative number.
    ParsedNumber parseDecimal()
    {
        const bool parenthesis = take(u'(');
        bool negative = !parenthesis && take(u'-');
        const bool leadingSign = negative || (!parenthesis && take(u'+'));
        DecimalText decimal;
        m_pos = scanDecimal(m_text, m_pos, true, decimal);
        if (!decimal.hasDigits)
            return kNotNumeric;
        if (!parenthesis && !leadingSign && !take(u'+'))
            negative = take(u'-');
        if (parenthesis && !take(u')'))
            return kNotNumeric;
        if (!atEndAfterWhiteSpace())
            return kNotNumeric;
        return decimal.value(negative || parenthesis);
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

ParsedNumber readNumber(const QString& text)
{
    return NumericTextParser(text).parse();
}

double requireNumber(const ParsedNumber& parsed)
{
    if (parsed.status == ParsedNumber::Status::Overflow)
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    if (parsed.status == ParsedNumber::Status::NotNumeric)
        RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
    return parsed.value;
}

// The runtime's shortest text of a floating-point number: up to `digits` significant digits,
// the exponent form ("1E+20", "1E-05") outside the plain range.
template <class Number> QString floatingText(Number value, int digits)
{
    if (std::isnan(value))
        return QStringLiteral("-1.#IND");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-1.#INF") : QStringLiteral("1.#INF");
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return QString::fromLatin1(buffer, result.ptr - buffer).replace(u'e', u'E');
}

// Currency to a whole number, rounding half to even without leaving integers.
qint64 roundCurrency(qint64 tenThousandths)
{
    qint64 whole = tenThousandths / 10000;
    const qint64 rest = tenThousandths % 10000;
    const qint64 direction = tenThousandths < 0 ? -1 : 1;
    const qint64 restSize = rest < 0 ? -rest : rest;
    if (restSize > 5000 || (restSize == 5000 && whole % 2 != 0))
        whole += direction;
    return whole;
}

qint64 toWholeNumber(const Variant& value, qint64 minimum, qint64 maximum)
{
    if (value.kind() == Variant::Kind::Currency) {
        const qint64 whole = roundCurrency(value.currencyValue());
        if (whole < minimum || whole > maximum)
            RuntimeErrors::raise(RuntimeErrors::Overflow);
        return whole;
    }
    const double rounded = Conversions::roundHalfEven(Conversions::toDouble(value));
    if (!(rounded >= double(minimum) && rounded <= double(maximum)))
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return qint64(rounded);
}

} // namespace

QString Conversions::toText(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        return {};
    case Variant::Kind::Null:
        RuntimeErrors::raise(RuntimeErrors::InvalidUseOfNull);
    case Variant::Kind::Boolean:
        return value.boolValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Variant::Kind::Integer:
        return QString::number(value.integerValue());
    case Variant::Kind::Long:
        return QString::number(value.longValue());
    case Variant::Kind::Single:
        return floatingText(value.singleValue(), 7);
    case Variant::Kind::Double:
        return floatingText(value.doubleValue(), 15);
    case Variant::Kind::Currency:
        return DecimalNumber::fromCurrency(value.currencyValue()).toPlainText();
    case Variant::Kind::Date:
        return DateValue::toText(value.dateValue());
    case Variant::Kind::String:
        return value.stringValue();
    case Variant::Kind::Object:
    case Variant::Kind::Array:
        break;
    }
    RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
}

bool Conversions::toBoolean(const Variant& value)
{
    if (value.kind() != Variant::Kind::String)
        return toDouble(value) != 0.0;
    const QString text = value.stringValue().trimmed();
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    return requireNumber(readNumber(text)) != 0.0;
}

qint16 Conversions::toInteger(const Variant& value)
{
    return qint16(toWholeNumber(value, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

qint32 Conversions::toLong(const Variant& value)
{
    return qint32(toWholeNumber(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

float Conversions::toSingle(const Variant& value)
{
    const double number = toDouble(value);
    if (std::isfinite(number) && std::fabs(number) > double(std::numeric_limits<float>::max()))
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return float(number);
}

double Conversions::toDouble(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        return 0.0;
    case Variant::Kind::Null:
        RuntimeErrors::raise(RuntimeErrors::InvalidUseOfNull);
    case Variant::Kind::Boolean:
        return value.boolValue() ? -1.0 : 0.0;
    case Variant::Kind::Integer:
        return value.integerValue();
    case Variant::Kind::Long:
        return value.longValue();
    case Variant::Kind::Single:
        return value.singleValue();
    case Variant::Kind::Double:
        return value.doubleValue();
    case Variant::Kind::Currency:
        return double(value.currencyValue()) / 10000.0;
    case Variant::Kind::Date:
        return value.dateValue();
    case Variant::Kind::String:
        return requireNumber(readNumber(value.stringValue()));
    case Variant::Kind::Object:
    case Variant::Kind::Array:
        break;
    }
    RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
}

qint64 Conversions::toCurrency(const Variant& value)
{
    if (value.kind() == Variant::Kind::Currency)
        return value.currencyValue();
    // 2^63 is the first ten-thousandths count a Currency cannot hold.
    constexpr double kLimit = 9223372036854775808.0;
    const double scaled = roundHalfEven(toDouble(value) * 10000.0);
    if (!(scaled >= -kLimit && scaled < kLimit))
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return qint64(scaled);
}

double Conversions::toDate(const Variant& value)
{
    if (value.kind() == Variant::Kind::Date)
        return value.dateValue();
    if (value.kind() == Variant::Kind::String) {
        if (const auto date = DateValue::parse(value.stringValue()))
            return *date;
        RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
    }
    const double serial = toDouble(value);
    if (!DateValue::isInRange(serial))
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return serial;
}

bool Conversions::isNumeric(const Variant& value)
{
    if (value.isNumericKind() || value.isEmpty())
        return true;
    return value.isString() && parseNumber(value.stringValue()).has_value();
}

std::optional<double> Conversions::parseNumber(const QString& text)
{
    const ParsedNumber parsed = readNumber(text);
    if (parsed.status == ParsedNumber::Status::Number)
        return parsed.value;
    return std::nullopt;
}

double Conversions::val(const QString& text)
{
    QString packed = text;
    packed.remove(u' ').remove(u'\t').remove(u'\n');
    ParsedNumber parsed;
    if (const int radix = radixPrefixAt(packed, 0)) {
        const qsizetype end = radixDigitsEnd(packed, 2, radix);
        const bool forceLong = end < packed.size() && packed.at(end) == u'&';
        parsed = end == 2 ? numberOf(0.0) : radixValue(QStringView(packed).sliced(2, end - 2), radix, forceLong);
    } else {
        const bool negative = packed.startsWith(u'-');
        DecimalText decimal;
        scanDecimal(packed, negative || packed.startsWith(u'+') ? 1 : 0, false, decimal);
        parsed = decimal.hasDigits ? decimal.value(negative) : numberOf(0.0);
    }
    return requireNumber(parsed);
}

double Conversions::roundHalfEven(double value)
{
    const double nearest = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return nearest;
}
