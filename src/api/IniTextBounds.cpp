#include "api/IniTextBounds.h"

std::optional<QString> IniTextBounds::firstOverLimit(std::initializer_list<Text> texts)
{
    for (const Text& text : texts) {
        if (text.text.size() > text.limit)
            return text.argument;
    }
    return std::nullopt;
}
