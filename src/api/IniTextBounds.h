#pragma once

#include <QString>
#include <initializer_list>
#include <optional>

// The longest texts a Sovereign may write into an INI file. A value is bounded by what a key read
// gives back whole (999 characters); section and key names by 255. A longer text would be
// stored but never read back as written, and would make every later read of the file slower.
class IniTextBounds {
public:
    static constexpr qsizetype kNameLimit = 255;
    static constexpr qsizetype kValueLimit = 999;

    struct Text {
        QString argument; // the argument's name in quibaInvalidArgument's description
        QString text;
        qsizetype limit;
    };

    // The argument name of the first text over its limit; none when all fit.
    static std::optional<QString> firstOverLimit(std::initializer_list<Text> texts);
};
