#include "config/IniMachine.h"

#include "platform/ExecutableInfo.h"
#include "platform/SystemNames.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

const IniMachine* g_current = nullptr;

} // namespace

QString IniMachine::computerName() const
{
    return SystemNames::computerName();
}

QString IniMachine::userName() const
{
    return SystemNames::userName();
}

QString IniMachine::executableFolder() const
{
    return ExecutableInfo::folder();
}

QSize IniMachine::screenSize() const
{
    // Only a GUI application knows screens; a plain core application has none to ask.
    const bool hasScreens = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    return sizeOf(hasScreens ? QGuiApplication::primaryScreen() : nullptr);
}

const IniMachine& IniMachine::current()
{
    static const IniMachine real;
    return g_current ? *g_current : real;
}

void IniMachine::setCurrent(const IniMachine* machine)
{
    g_current = machine;
}

QSize IniMachine::sizeOf(const QScreen* screen)
{
    return screen ? screen->size() : kFallbackScreenSize;
}
