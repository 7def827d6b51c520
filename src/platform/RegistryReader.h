#pragma once

#include "platform/Variant.h"

#include <QString>

// Values of the registry stand-in, decoded as the automation runtime hands them to a program.
class RegistryReader {
public:
    // The number and text raised for a value that cannot be decoded: the runtime's Type
    // mismatch, with its own description.
    static constexpr qint32 UnsupportedValueTypeError = 13;
    static QString unsupportedValueTypeText();

    // A value of the registry stand-in, decoded by type: 1 and 2 the text without its closing
    // NUL, 3 an array of the bytes (as Integers), 4 the number as a Long, 7 the strings joined
    // by NULs without the closing pair. The default when the key or the value is missing;
    // UnsupportedValueTypeError for other types.
    static Variant readValue(quint32 root, const QString& keyPath, const QString& valueName,
                             const Variant& defaultValue = {});
};
