#pragma once

#include "platform/AutomationObject.h"
#include "platform/Variant.h"

// The lexicon of texts a site can translate or reword.
class Lexicon : public AutomationObject {
public:
    // Once at start-up, with the full path of the lexicon file.
    virtual void load(const QString& fileName) = 0;
    // The text under section and key, or defaultText when there is none, with each placeholder
    // "\n" replaced by the text of arguments[n - 1].
    virtual QString text(const QString& section, const QString& key, const QString& defaultText,
                         const VariantArray& arguments) = 0;
};
