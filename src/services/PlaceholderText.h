#pragma once

#include "platform/Variant.h"

// Fills the placeholders "\1" to "\9" of a lexicon text with the text of the arguments,
// counting from 1. A placeholder without an argument becomes empty; a backslash followed by
// anything else stays as it is.
class PlaceholderText {
public:
    static QString fill(const QString& text, const VariantArray& arguments);
};
