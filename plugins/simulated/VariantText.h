#pragma once

#include "platform/Variant.h"

// A value from the Sovereign as trimmed text; values that have none (Empty, Null, arrays,
// objects) give the empty text instead of a conversion error.
class VariantText {
public:
    static QString of(const Variant& value);
};
