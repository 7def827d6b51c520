#pragma once

#include <QString>
#include <QtGlobal>

// How long a hand-started kiosk waits before it shows its screen again, so that a kiosk that
// cannot sell (an unassigned terminal, an engine that fails) is not restarted every 2 s for
// ever. A run counts as a quick failure when it ends within kQuickRunMilliseconds of showing
// the kiosk, with a failure status or with Surrender(7) and no committed basket; each quick
// failure in a row doubles the wait from kFirstWaitMilliseconds up to kLongestWaitMilliseconds.
// A committed basket or a run of kQuickRunMilliseconds resets it.
//
// The count lives in a state file (one line "quick_failures=N"), since each run is a new
// process. It is raised when the kiosk is shown, so that a run that never reaches its end
// (killed, crashed) counts too, and put back when the run ends otherwise. Time comes from Clock.
class KioskBackoff {
public:
    static constexpr qint64 kQuickRunMilliseconds = 60 * 1000;
    static constexpr qint64 kFirstWaitMilliseconds = 5 * 1000;
    static constexpr qint64 kLongestWaitMilliseconds = 5 * 60 * 1000;

    // "<program root>/data/kiosk-restarts.state".
    static QString defaultStateFile();
    // The wait after that many quick failures in a row.
    static qint64 waitAfter(int quickFailures);

    explicit KioskBackoff(const QString& stateFile = defaultStateFile());

    // Quick failures in a row as the state file holds them (0 when it is missing or unreadable).
    int quickFailures() const;
    // The wait before this run shows the kiosk.
    qint64 waitBeforeShowing() const { return waitAfter(m_before); }

    // The kiosk is shown now.
    void shown();
    // A basket was committed: the wait is reset.
    void basketCommitted();
    // Resets the wait once the kiosk has been up kQuickRunMilliseconds (a timer calls it then;
    // it looks at Clock, so an early call changes nothing).
    void checkRunLength();
    // The run ends with this exit status; surrenderReason is the engine's reason, or -1.
    void ended(int exitStatus, int surrenderReason);

private:
    bool ranLongEnough() const;
    void store(int quickFailures);

    QString m_stateFile;
    int m_before = 0;
    bool m_shown = false;
    bool m_reset = false;
    qint64 m_shownAt = 0;
};
