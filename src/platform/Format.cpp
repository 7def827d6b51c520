#include "platform/Format.h"

// Interim Format; completed with its table tests.

QString Format::format(const Variant& value, const QString& pattern)
{
    Q_UNUSED(pattern);
    return value.toString();
}
