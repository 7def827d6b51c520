#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// Ends the process when nothing can use it any more, so that no invisible process keeps the
// bus name and swallows every later start. The process is in use while
// - a window of it is visible (the start screen, the settings dialog, a message box), or
// - the controller is loaded with at least one client (an API object, or the kiosk), or
// - it was started by automation and no client has come yet, for at most the wait given.
// Qt's rule of ending with the last window closed is switched off: the controller has none.
class ProcessLifetime : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckMilliseconds = 1000;
    static constexpr int kFirstClientWaitMilliseconds = 60000;

    ProcessLifetime(bool startedByAutomation, int firstClientWaitMilliseconds = kFirstClientWaitMilliseconds);

    // Checks every kCheckMilliseconds from now on.
    void start();
    // True while something can still use the process.
    bool inUse();

    static bool anyWindowVisible();
    static bool controllerHasClients();

    static inline const QString kEndLogLine = QStringLiteral("pcQUIBA ends: nothing uses it any more");

private:
    void check();

    bool m_automation;
    int m_firstClientWait;
    bool m_clientSeen = false;
    QElapsedTimer m_since;
    QTimer* m_timer;
};
