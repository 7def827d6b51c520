#include "api/SovereignWindow.h"

#include <QGuiApplication>
#include <QWindow>
#include <memory>

bool SovereignWindow::bringToForeground(qint32 handle)
{
    if (handle == 0 || QGuiApplication::platformName() != QStringLiteral("xcb"))
        return false;
    // An X11 window id is unsigned 32-bit; the Sovereign hands it over as a Long.
    std::unique_ptr<QWindow> window(QWindow::fromWinId(WId(quint32(handle))));
    if (!window)
        return false;
    window->requestActivate();
    return true;
}
