#pragma once

#include "platform/Variant.h"

#include <QString>

// Formatting of placeholder values with a pattern: the runtime's Format patterns, or a
// character map when the pattern starts with "~".
class IniFormat {
public:
    // Empty pattern: the value's text. "~" pattern: each following character a to y takes
    // the value's character at that letter's place in the alphabet (a = 1), z the value's
    // character at the pattern position, anything else is copied; places past the end give
    // nothing. Any other pattern: Format(value, pattern).
    static QString zFormat(const Variant& value, const QString& pattern);
    // The same for a dotted IPv4 address. Four parts are first zero-filled to three digits
    // each (010.001.002.003); in a "~" pattern a to v take the character at places 1 to 22 of
    // that form and w, x, y, z the first to fourth part without leading zeros.
    static QString zFormatIP(const QString& address, const QString& pattern);

private:
    static QString mapAddress(const QString& address, const QString& map);
};
