#include "platform/Conversions.h"

#include "platform/DateValue.h"
#include "platform/RuntimeErrors.h"

#include <cmath>
#include <limits>

// Interim conversions: integers, Booleans and texts; the rest is completed with its table tests.

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
        return QString::number(value.singleValue(), 'g', 7);
    case Variant::Kind::Double:
        return QString::number(value.doubleValue(), 'g', 15);
    case Variant::Kind::Currency:
        return QString::number(double(value.currencyValue()) / 10000.0, 'g', 19);
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
    if (value.kind() == Variant::Kind::String) {
        const QString text = value.stringValue().trimmed();
        if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble(value) != 0.0;
}

qint16 Conversions::toInteger(const Variant& value)
{
    const double rounded = roundHalfEven(toDouble(value));
    if (rounded < -32768.0 || rounded > 32767.0)
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return static_cast<qint16>(rounded);
}

qint32 Conversions::toLong(const Variant& value)
{
    const double rounded = roundHalfEven(toDouble(value));
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return static_cast<qint32>(rounded);
}

float Conversions::toSingle(const Variant& value)
{
    return static_cast<float>(toDouble(value));
}

double Conversions::toDouble(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        return 0.0;
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
        if (const auto number = parseNumber(value.stringValue()))
            return *number;
        break;
    case Variant::Kind::Null:
        RuntimeErrors::raise(RuntimeErrors::InvalidUseOfNull);
    default:
        break;
    }
    RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
}

qint64 Conversions::toCurrency(const Variant& value)
{
    if (value.kind() == Variant::Kind::Currency)
        return value.currencyValue();
    return static_cast<qint64>(roundHalfEven(toDouble(value) * 10000.0));
}

double Conversions::toDate(const Variant& value)
{
    if (value.kind() == Variant::Kind::String) {
        if (const auto date = DateValue::parse(value.stringValue()))
            return *date;
    }
    return toDouble(value);
}

bool Conversions::isNumeric(const Variant& value)
{
    if (value.isNumericKind() || value.isEmpty())
        return true;
    return value.isString() && parseNumber(value.stringValue()).has_value();
}

std::optional<double> Conversions::parseNumber(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (ok)
        return number;
    return std::nullopt;
}

double Conversions::val(const QString& text)
{
    return parseNumber(text).value_or(0.0);
}

double Conversions::roundHalfEven(double value)
{
    return std::nearbyint(value);
}
