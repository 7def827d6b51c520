#include "app/ProcessLifetime.h"

#include "services/ProcessState.h"
#include "app/ExitStatus.h"
#include "app/TerminationSignals.h"
#include "controller/ControllerCommandHost.h"
#include "services/Trace.h"
#include "controller/frmController.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>

ProcessLifetime::ProcessLifetime(bool startedByAutomation, qint64 firstClientWaitMilliseconds)
    : m_automation(startedByAutomation)
    , m_firstClientWait(firstClientWaitMilliseconds)
    , m_started(Clock::elapsed())
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(kCheckMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &ProcessLifetime::check);
    // A hand start may have connected the kiosk before the lifetime began.
    if (frmController::isLoaded())
        clientsChanged(frmController::instance().clientCount());
    frmController::setClientsHook([this](int clients) { clientsChanged(clients); });
}

ProcessLifetime::~ProcessLifetime()
{
    frmController::setClientsHook({});
    if (m_bus)
        frmController::setCommandProcessor(ControllerCommandHost::tick());
}

void ProcessLifetime::start()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_started = Clock::elapsed();
    m_timer->start();
    if (!m_signals) {
        m_signals = new TerminationSignals(this);
        connect(m_signals, &TerminationSignals::received, this,
                [this](int signalNumber) { end(signalLogLine(signalNumber), ExitStatus::forSignal(signalNumber)); });
    }
}

bool ProcessLifetime::anyWindowVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) { return window->isVisible(); });
}

bool ProcessLifetime::engineRunning()
{
    return frmController::isLoaded() && frmController::instance().Engine() != nullptr;
}

void ProcessLifetime::clientsChanged(int clients)
{
    if (clients > 0)
        m_clientSeen = true;
    else if (m_clients > 0)
        m_lastClientLeft = Clock::elapsed();
    m_clients = clients;
    // The last client gone: look again once its grace has passed, not at the next round.
    if (clients == 0 && m_timer->isActive())
        QTimer::singleShot(std::chrono::milliseconds(kLastClientGraceMilliseconds), Qt::PreciseTimer, this,
                           &ProcessLifetime::check);
}

bool ProcessLifetime::waitingAfterLastClient() const
{
    const qint64 since = Clock::elapsed() - m_lastClientLeft;
    // WellBehaved False keeps the engine running for the next client; the process with it.
    if (engineRunning() && !ProcessState::instance().wellBehaved)
        return since < kIdleEngineMilliseconds;
    return since < kLastClientGraceMilliseconds;
}

bool ProcessLifetime::inUse()
{
    if (m_clients > 0 || anyWindowVisible())
        return true;
    if (!m_automation)
        return false;
    if (!m_clientSeen)
        return Clock::elapsed() - m_started < m_firstClientWait;
    return waitingAfterLastClient();
}

void ProcessLifetime::check()
{
    if (busGone())
        busLost();
    else if (!m_ended && !inUse())
        end(kEndLogLine, ExitStatus::kOrderly);
}

void ProcessLifetime::watchBus(const QDBusConnection& connection, frmController::CommandProcessor tick)
{
    if (!tick)
        tick = ControllerCommandHost::tick();
    m_bus = connection;
    // The library's own message on the connection once it has read the connection's end.
    m_bus->connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                   QStringLiteral("Disconnected"), this, SLOT(busLost()));
    // The signal comes through the event loop; a tick that is due before it must not run a
    // remote command for a program that cannot be reached any more.
    frmController::setCommandProcessor([this, tick = std::move(tick)](frmController& controller) {
        if (busGone())
            busLost();
        else
            tick(controller);
    });
}

bool ProcessLifetime::busGone() const
{
    return m_bus && !m_bus->isConnected();
}

void ProcessLifetime::busLost()
{
    end(kBusLostLogLine, ExitStatus::kBusLost, Trace::ErrorSeverity);
}

void ProcessLifetime::end(const QString& logLine, int exitCode, qint32 severity)
{
    if (m_ended)
        return;
    m_ended = true;
    m_timer->stop();
    Ending why{logLine, exitCode, severity};
    if (m_endReport)
        m_endReport(why);
    Trace::write(why.logLine, why.severity);
    if (frmController::isLoaded()) {
        frmController::instance().tmrCommand()->stop();
        frmController::instance().StopEngine();
    }
    Q_EMIT ending();
    Q_EMIT ended(why.exitCode);
}

QString ProcessLifetime::signalLogLine(int signalNumber)
{
    return QStringLiteral("pcQUIBA ends: signal %1").arg(signalNumber);
}
