#pragma once

#include "platform/Variant.h"

#include <QString>

// The default of every INI key, by key name alone (exact, lower case): what a reader passes to
// the typed getters, so that a missing key reads as its default. The kind of the value is part
// of the answer: Integer (16-bit), Long is never used, Double, Single, Date, Boolean, String,
// or Empty for a key without a default.
class IniDefaults {
public:
    // The key's default; Empty for keys without one and for every name not in the schema.
    // The machine-dependent defaults (host name, user, program folders, screen size) are
    // worked out at each call, from IniMachine::current().
    static Variant iniDefault(const QString& key);

    // The computer's name as a buffer of that many characters receives it: cut at the first
    // NUL and to bufferSize - 1 characters.
    static QString computerName(int bufferSize);
    // The logged-on user's name, received the same way.
    static QString userName(int bufferSize);
    // The parent of the executable's folder.
    static QString applicationPath();
    // The buffer the defaults of hardware_id and operator are read into.
    static constexpr int kNameBufferSize = 32;
};
