#pragma once

#include "controller/frmController.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QTimer;
class TerminationSignals;

// Ends the process when nothing can use it any more, so that no invisible process keeps the
// bus name and swallows every later start. The process is in use while
// - a window of it is visible (the start screen, the settings dialog, a message box), or
// - the controller has at least one client (an API object, or the kiosk), or
// - it was started by automation and no client has come yet, for at most the wait given, or
// - it was started by automation, its last client has left and the controller kept the engine
//   running for the next one (WellBehaved False): for at most kIdleEngineMilliseconds, or
// - it was started by automation and its last client left less than kLastClientGraceMilliseconds
//   ago.
// Clients are counted as the controller connects and disconnects them, so one that comes and
// goes between two checks still counts. Every end, SIGTERM, SIGINT and SIGHUP included, stops
// the remote command tick and the controller's engine first and then emits ending() before
// ended(). A watched bus connection that is lost ends the process at once (ExitStatus::kBusLost):
// nothing it would serve can reach anybody any more.
// Qt's rule of ending with the last window closed is switched off: the controller has none.
class ProcessLifetime : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckMilliseconds = 1000;
    static constexpr qint64 kFirstClientWaitMilliseconds = 60000;
    static constexpr qint64 kLastClientGraceMilliseconds = 1000;
    static constexpr qint64 kIdleEngineMilliseconds = 30 * 60 * 1000;

    ProcessLifetime(bool startedByAutomation, qint64 firstClientWaitMilliseconds = kFirstClientWaitMilliseconds);
    ~ProcessLifetime() override;

    // Checks every kCheckMilliseconds from now on, and ends on a termination signal.
    void start();
    // True while something can still use the process.
    bool inUse();
    // Ends the process when the connection is lost; from then on the controller's command tick
    // runs `tick` (the remote command processor) only while the connection is there.
    void watchBus(const QDBusConnection& connection, frmController::CommandProcessor tick = {});
    // Logs why, stops the command tick and the engine, tells ending() and then ended(exitCode).
    void end(const QString& logLine, int exitCode, qint32 severity = 1);

    // Why the process ends, as end() logs it and exits; a report may change it (the kiosk
    // names its engine's surrender and logs at severity 4, so the journal has it).
    struct Ending {
        QString logLine;
        int exitCode;
        qint32 severity;
    };
    using EndReport = std::function<void(Ending&)>;
    void setEndReport(EndReport report) { m_endReport = std::move(report); }

    static bool anyWindowVisible();
    static bool engineRunning();

    static inline const QString kEndLogLine = QStringLiteral("pcQUIBA ends: nothing uses it any more");
    static QString signalLogLine(int signalNumber);
    static inline const QString kBusLostLogLine = QStringLiteral("pcQUIBA ends: the session bus connection is lost");

Q_SIGNALS:
    // The process is about to end: the name on the bus is to be given up now.
    void ending();
    void ended(int exitCode);

private:
    void clientsChanged(int clients);
    void check();
    bool busGone() const;

private Q_SLOTS:
    void busLost();

private:
    bool waitingAfterLastClient() const;

    bool m_automation;
    qint64 m_firstClientWait;
    int m_clients = 0;
    bool m_clientSeen = false;
    bool m_ended = false;
    qint64 m_started = 0;
    qint64 m_lastClientLeft = 0;
    QTimer* m_timer;
    TerminationSignals* m_signals = nullptr;
    EndReport m_endReport;
    std::optional<QDBusConnection> m_bus;
};
