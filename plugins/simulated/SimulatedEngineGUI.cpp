#include "SimulatedEngineGUI.h"

#include "SimulatedLog.h"

#include <QGuiApplication>

SimulatedEngineGUI::SimulatedEngineGUI(QRect geometry, bool topMost)
    : m_geometry(geometry)
    , m_topMost(topMost)
{
}

bool SimulatedEngineGUI::platformPlacesWindows()
{
    return QGuiApplication::platformName() == QLatin1StringView("xcb");
}

qint32 SimulatedEngineGUI::hwnd() const
{
    if (!m_window || !m_window->isVisible())
        return 0;
    return qint32(m_window->winId());
}

void SimulatedEngineGUI::setLeft(qint16 value)
{
    m_geometry.moveLeft(value);
    apply();
}

void SimulatedEngineGUI::setTop(qint16 value)
{
    m_geometry.moveTop(value);
    apply();
}

void SimulatedEngineGUI::setWidth(qint16 value)
{
    m_geometry.setWidth(value);
    apply();
}

void SimulatedEngineGUI::setHeight(qint16 value)
{
    m_geometry.setHeight(value);
    apply();
}

void SimulatedEngineGUI::setTopMost(bool value)
{
    m_topMost = value;
    apply();
}

void SimulatedEngineGUI::attach(QWidget* window, bool kioskMode)
{
    m_window = window;
    m_kioskMode = kioskMode;
    if (!platformPlacesWindows()) {
        SimulatedLog::write(QStringLiteral("The window system \"%1\" does not let the kiosk window place itself; "
                                           "position, size and top-most are left to it")
                                .arg(QGuiApplication::platformName()),
                            SimulatedLog::Warning);
    }
    apply();
}

void SimulatedEngineGUI::show()
{
    if (!m_window)
        return;
    apply();
    if (m_kioskMode && platformPlacesWindows())
        m_window->showFullScreen();
    else
        m_window->show();
    m_window->raise();
}

void SimulatedEngineGUI::hide()
{
    if (m_window)
        m_window->hide();
}

void SimulatedEngineGUI::apply()
{
    if (!m_window || !platformPlacesWindows() || m_kioskMode)
        return;
    if (m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != m_topMost) {
        // Changing a window flag hides the window; it comes back where it was.
        const bool wasVisible = m_window->isVisible();
        m_window->setWindowFlag(Qt::WindowStaysOnTopHint, m_topMost);
        if (wasVisible)
            m_window->show();
    }
    if (m_geometry.width() > 0 && m_geometry.height() > 0)
        m_window->setGeometry(m_geometry);
    else
        m_window->move(m_geometry.topLeft());
}
