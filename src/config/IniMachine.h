#pragma once

#include <QSize>
#include <QString>

class QScreen;

// The machine the computed INI defaults are worked out from: its name, the logged-on user, the
// program's folder and the screen. This class asks the real machine; tests put in a fake one.
class IniMachine {
public:
    virtual ~IniMachine() = default;

    virtual QString computerName() const;
    virtual QString userName() const;
    // The folder that holds the program's executable.
    virtual QString executableFolder() const;
    // The primary screen's size in pixels; kFallbackScreenSize when there is no screen (no
    // display, or no GUI application object).
    virtual QSize screenSize() const;

    // The machine in use: the one set last, else the real one.
    static const IniMachine& current();
    // Puts a machine in use; nullptr puts the real one back. The caller keeps it alive.
    static void setCurrent(const IniMachine* machine);

    // The size of the given screen in pixels, or the fallback without one.
    static QSize sizeOf(const QScreen* screen);
    static constexpr QSize kFallbackScreenSize{1024, 768};
};
