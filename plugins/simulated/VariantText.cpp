#include "VariantText.h"

QString VariantText::of(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
    case Variant::Kind::Array:
    case Variant::Kind::Object:
        return {};
    default:
        return value.toString().trimmed();
    }
}
