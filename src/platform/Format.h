#pragma once

#include "platform/Variant.h"

// The runtime's Format function for the patterns the program uses: number patterns
// (0 # . , and literal text) and date patterns (yyyy yy mmmm mmm mm m dd d hh h nn n ss s
// AM/PM, in either case, as in "YYYYMMDDHHNNSS").
class Format {
public:
    static QString format(const Variant& value, const QString& pattern = {});
};
