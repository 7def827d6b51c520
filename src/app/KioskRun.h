#pragma once

#include "app/KioskBackoff.h"
#include "app/ProcessLifetime.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// A hand start as a kiosk: the "/g" kiosk waits before it shows its screen when it ended
// quickly before (KioskBackoff), and every end of the process says why at severity 4, so the
// journal has it: the engine's surrender gives the status ExitStatus::kKioskEnded and names
// the reason. There is at most one, made by the entry for a hand start; while none exists,
// "/g" shows the kiosk at once (tests of the start-up).
class KioskRun : public QObject {
    Q_OBJECT
public:
    explicit KioskRun(const QString& stateFile = KioskBackoff::defaultStateFile());
    ~KioskRun() override;

    static KioskRun* current();

    // Connects the kiosk client and shows the kiosk at the start point, now or after the wait.
    // An engine that cannot be made raises 91 when it is shown now, and ends the process with
    // ExitStatus::kStartFailed (failed()) when it is shown after the wait.
    static void start(const QString& startAt);
    // The wait before this run shows the kiosk.
    qint64 waitBeforeShowing() const { return m_backoff.waitBeforeShowing(); }

    // Shows the kiosk once its wait is over (the wait's timer calls it): nothing when the kiosk
    // was stopped meanwhile.
    void showAfterWait(const QString& startAt);

    // What ProcessLifetime logs and exits with (its end report).
    void report(ProcessLifetime::Ending& ending);

    static QString surrenderLine(qint32 reason, const QString& message);
    static QString waitLine(qint64 milliseconds, int quickFailures);
    static QString startFailedLine(const QString& description);

Q_SIGNALS:
    // The kiosk shown after its wait could not start: the process ends with this.
    void failed(const QString& logLine, int exitCode);

private:
    static void show(const QString& startAt);

    KioskBackoff m_backoff;
    QTimer m_runLength;
    std::optional<qint32> m_surrenderReason;
    QString m_surrenderMessage;
};
