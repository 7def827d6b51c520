#pragma once

#include "platform/Variant.h"

#include <QSize>
#include <QString>

class QScreen;

// The default of every INI key, by key name alone (exact, lower case): what a reader passes to
// the typed getters, so that a missing key reads as its default. The kind of the value is part
// of the answer: Integer (16-bit), Long is never used, Double, Single, Date, Boolean, String,
// or Empty for a key without a default.
class IniDefaults {
public:
    // The key's default; Empty for keys without one and for every name not in the schema.
    // The machine-dependent defaults (host name, user, program folders, screen size) are
    // worked out at each call.
    static Variant iniDefault(const QString& key);

    // The computer's name as a buffer of that many characters receives it: cut at the first
    // NUL and to bufferSize - 1 characters.
    static QString computerName(int bufferSize);
    // The logged-on user's name, received the same way.
    static QString userName(int bufferSize);
    // The parent of the executable's folder.
    static QString applicationPath();
    // The size of the screen in pixels; 1024 by 768 when there is no screen (no display, or no
    // GUI application object).
    static QSize screenSize(const QScreen* screen);
    static QSize primaryScreenSize();

    // The size assumed without a screen.
    static constexpr QSize kFallbackScreenSize{1024, 768};
    // The buffer the defaults of hardware_id and operator are read into.
    static constexpr int kNameBufferSize = 32;
};
