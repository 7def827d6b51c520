#pragma once

#include <QString>
#include <memory>
#include <type_traits>

class Collection;

// The automation types of the interface descriptions (the annotation "org.pcquiba.AutomationType"):
// the type library's names, an array of Variants as "Variant()", and an object as its class name.
class AutomationType {
public:
    static QString boolean();
    static QString integer();
    static QString longInteger();
    static QString currency();
    static QString string();
    static QString variant();
    static QString variantArray();

    // The type of a value a member handler returns as a C++ type: every 64-bit amount of the sale
    // classes is Currency, an enumerator is an array of Variants (the objects' paths in order).
    template <class T>
    static QString of()
    {
        using Value = std::remove_cvref_t<T>;
        if constexpr (std::is_void_v<Value>)
            return {};
        else if constexpr (std::is_same_v<Value, bool>)
            return boolean();
        else if constexpr (std::is_same_v<Value, qint16>)
            return integer();
        else if constexpr (std::is_same_v<Value, qint32>)
            return longInteger();
        else if constexpr (std::is_same_v<Value, qint64>)
            return currency();
        else if constexpr (std::is_same_v<Value, QString>)
            return string();
        else if constexpr (std::is_same_v<Value, std::shared_ptr<Collection>>)
            return variantArray();
        else
            return Value::element_type::kClassName;
    }
};
