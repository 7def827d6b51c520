#include "platform/Variant.h"

#include "platform/Conversions.h"

#include <vector>

Variant::Variant(bool value) : m_value(value) {}
Variant::Variant(qint16 value) : m_value(value) {}
Variant::Variant(qint32 value) : m_value(value) {}
Variant::Variant(float value) : m_value(value) {}
Variant::Variant(double value) : m_value(value) {}
Variant::Variant(const QString& value) : m_value(value) {}
Variant::Variant(const char16_t* value) : m_value(QString::fromUtf16(value)) {}
Variant::Variant(const char* value) : m_value(QString::fromUtf8(value)) {}
Variant::Variant(ObjectRef value) : m_value(std::move(value)) {}
Variant::Variant(VariantArray value) : m_value(std::make_shared<const VariantArray>(std::move(value))) {}

Variant::~Variant()
{
    auto* array = std::get_if<ArrayRef>(&m_value);
    if (!array || !*array)
        return;
    std::vector<ArrayRef> pending;
    pending.push_back(std::move(*array));
    while (!pending.empty()) {
        ArrayRef current = std::move(pending.back());
        pending.pop_back();
        if (current.use_count() != 1)
            continue; // someone else still holds it
        // Sole owner: take the inner arrays out before this one goes, so none is released
        // from inside another's destructor.
        auto& elements = const_cast<VariantArray&>(*current);
        for (Variant& element : elements) {
            auto* child = std::get_if<ArrayRef>(&element.m_value);
            if (child && *child)
                pending.push_back(std::move(*child));
        }
    }
}

Variant Variant::null()
{
    Variant result;
    result.m_value = NullTag{};
    return result;
}

Variant Variant::fromCurrency(qint64 tenThousandths)
{
    Variant result;
    result.m_value = CurrencyTag{tenThousandths};
    return result;
}

Variant Variant::fromDate(double serial)
{
    Variant result;
    result.m_value = DateTag{serial};
    return result;
}

Variant::Kind Variant::kind() const
{
    // The alternatives of Storage are declared in the order of Kind.
    return static_cast<Kind>(m_value.index());
}

bool Variant::isNumericKind() const
{
    switch (kind()) {
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Long:
    case Kind::Single:
    case Kind::Double:
    case Kind::Currency:
        return true;
    default:
        return false;
    }
}

QString Variant::typeName() const
{
    static const char* const names[] = {"Empty", "Null", "Boolean", "Integer", "Long", "Single",
                                        "Double", "Currency", "Date", "String", "Object", "Variant()"};
    if (kind() == Kind::Object) {
        const ObjectRef object = objectValue();
        return object ? object->className() : QStringLiteral("Nothing");
    }
    return QString::fromLatin1(names[m_value.index()]);
}

template <class T>
T Variant::stored() const
{
    if (const T* value = std::get_if<T>(&m_value))
        return *value;
    return T{};
}

bool Variant::boolValue() const { return stored<bool>(); }
qint16 Variant::integerValue() const { return stored<qint16>(); }
qint32 Variant::longValue() const { return stored<qint32>(); }
float Variant::singleValue() const { return stored<float>(); }
double Variant::doubleValue() const { return stored<double>(); }
qint64 Variant::currencyValue() const { return stored<CurrencyTag>().value; }
double Variant::dateValue() const { return stored<DateTag>().value; }
QString Variant::stringValue() const { return stored<QString>(); }
ObjectRef Variant::objectValue() const { return stored<ObjectRef>(); }

VariantArray Variant::arrayValue() const
{
    const ArrayRef array = stored<ArrayRef>();
    return array ? *array : VariantArray{};
}

QString Variant::toString() const { return Conversions::toText(*this); }
bool Variant::toBool() const { return Conversions::toBoolean(*this); }
qint16 Variant::toInteger() const { return Conversions::toInteger(*this); }
qint32 Variant::toLong() const { return Conversions::toLong(*this); }
float Variant::toSingle() const { return Conversions::toSingle(*this); }
double Variant::toDouble() const { return Conversions::toDouble(*this); }
qint64 Variant::toCurrency() const { return Conversions::toCurrency(*this); }
double Variant::toDate() const { return Conversions::toDate(*this); }

bool Variant::operator==(const Variant& other) const
{
    if (kind() == Kind::Array && other.kind() == Kind::Array)
        return arrayValue() == other.arrayValue();
    return m_value == other.m_value;
}
