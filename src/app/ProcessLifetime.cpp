#include "app/ProcessLifetime.h"

#include "app/Trace.h"
#include "controller/frmController.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

ProcessLifetime::ProcessLifetime(bool startedByAutomation, int firstClientWaitMilliseconds)
    : m_automation(startedByAutomation), m_firstClientWait(firstClientWaitMilliseconds), m_timer(new QTimer(this))
{
    m_since.start();
    m_timer->setInterval(kCheckMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &ProcessLifetime::check);
}

void ProcessLifetime::start()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_since.restart();
    m_timer->start();
}

bool ProcessLifetime::anyWindowVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) { return window->isVisible(); });
}

bool ProcessLifetime::controllerHasClients()
{
    return frmController::isLoaded() && frmController::instance().clientCount() > 0;
}

bool ProcessLifetime::inUse()
{
    if (anyWindowVisible())
        return true;
    if (controllerHasClients()) {
        m_clientSeen = true;
        return true;
    }
    return m_automation && !m_clientSeen && m_since.elapsed() < m_firstClientWait;
}

void ProcessLifetime::check()
{
    if (inUse())
        return;
    m_timer->stop();
    Trace::write(kEndLogLine);
    QCoreApplication::exit(0);
}
