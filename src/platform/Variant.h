#pragma once

#include "platform/AutomationObject.h"

#include <QList>
#include <QString>
#include <memory>
#include <variant>

class Variant;
using VariantArray = QList<Variant>;

// The automation value. Conversions follow the original runtime: text of a Boolean is
// "True"/"False", integer conversions round half to even and raise Overflow (6), anything that
// cannot convert raises Type mismatch (13).
class Variant {
public:
    enum class Kind { Empty, Null, Boolean, Integer, Long, Single, Double, Currency, Date, String, Object, Array };

    Variant() = default;
    Variant(bool value);
    Variant(qint16 value);
    Variant(qint32 value);
    Variant(float value);
    Variant(double value);
    Variant(const QString& value);
    Variant(const char16_t* value);
    // Text from UTF-8. Without it a string literal would quietly become the Boolean True.
    Variant(const char* value);
    // Any other pointer is a mistake, not a Boolean.
    template <class T>
    Variant(T*) = delete;
    Variant(ObjectRef value);
    Variant(VariantArray value);

    // Nested arrays are taken apart without recursion, so deep nesting cannot exhaust the stack.
    ~Variant();
    Variant(const Variant&) = default;
    Variant(Variant&&) noexcept = default;
    Variant& operator=(const Variant&) = default;
    Variant& operator=(Variant&&) noexcept = default;

    static Variant null();
    // Currency in ten-thousandths: fromCurrency(12345) is 1.2345.
    static Variant fromCurrency(qint64 tenThousandths);
    // Days since 30 December 1899, the fraction being the time of day.
    static Variant fromDate(double serial);

    Kind kind() const;
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isObject() const { return kind() == Kind::Object; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isString() const { return kind() == Kind::String; }
    // Boolean, Integer, Long, Single, Double, Currency (not Date, not String).
    bool isNumericKind() const;

    // The runtime's TypeName: "Empty", "Null", "Boolean", "Integer", ..., or the object's class.
    QString typeName() const;

    // The stored value of the named kind, without conversion; a wrong kind is a programming
    // error and gives the zero value.
    bool boolValue() const;
    qint16 integerValue() const;
    qint32 longValue() const;
    float singleValue() const;
    double doubleValue() const;
    qint64 currencyValue() const;
    double dateValue() const;
    QString stringValue() const;
    ObjectRef objectValue() const;
    VariantArray arrayValue() const;

    // The runtime's conversions (CStr, CBool, CInt, CLng, CSng, CDbl, CCur, CDate).
    QString toString() const;
    bool toBool() const;
    qint16 toInteger() const;
    qint32 toLong() const;
    float toSingle() const;
    double toDouble() const;
    qint64 toCurrency() const;
    double toDate() const;

    // Same kind and same value; objects by identity.
    bool operator==(const Variant& other) const;

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    struct CurrencyTag {
        qint64 value;
        bool operator==(const CurrencyTag&) const = default;
    };
    struct DateTag {
        double value;
        bool operator==(const DateTag&) const = default;
    };
    using ArrayRef = std::shared_ptr<const VariantArray>;
    using Storage = std::variant<std::monostate, NullTag, bool, qint16, qint32, float, double, CurrencyTag,
                                 DateTag, QString, ObjectRef, ArrayRef>;

    template <class T>
    T stored() const;

    Storage m_value;
};
