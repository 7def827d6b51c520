#pragma once

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QTimer;
class clsINIFile;

// Watches the event loop from a thread of its own. The loop beats every kBeatMilliseconds; when
// it has not beaten for the time-out (an engine that hangs inside a call), or when a termination
// signal came and the process is still there kTerminationGraceMilliseconds later (the loop or
// StopEngine hangs), the watchdog's thread runs the action it was started with, which ends the
// process. Readings of time come from the `now` given, so tests drive it.
class Watchdog {
public:
    static constexpr qint64 kDefaultTimeoutSeconds = 60;
    static constexpr qint64 kMinimumTimeoutSeconds = 10;
    static constexpr qint64 kMaximumTimeoutSeconds = 600;
    static constexpr int kBeatMilliseconds = 1000;
    static constexpr int kCheckMilliseconds = 1000;
    static constexpr qint64 kTerminationGraceMilliseconds = 5000;

    // A termination signal ends the process within 10 s: the grace, and a look at most a check
    // late (the signal may come just after one).
    static_assert(kTerminationGraceMilliseconds + 2 * kCheckMilliseconds <= 10000);

    enum class Verdict { Alive, LoopStalled, TerminationOverdue };
    // Monotonic milliseconds.
    using Now = std::function<qint64()>;
    using Action = std::function<void(Verdict, int signalNumber)>;

    // checkMilliseconds: how often the watching thread looks (tests look more often).
    explicit Watchdog(qint64 timeoutMilliseconds, Now now = steadyMilliseconds, int checkMilliseconds = kCheckMilliseconds);
    ~Watchdog();

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The loop turned (the main thread's beat).
    void beat();
    // What the watchdog finds now; it notes the moment it first sees a termination signal.
    Verdict check();

    // Starts the beat on the calling thread's event loop and the watching thread, which runs
    // action once when check() finds anything but Alive.
    void start(Action action);
    // Stops the watching thread (the destructor does too).
    void stop();

    // Tells the watchdog that a termination signal came. Async-signal-safe.
    static void noteTermination(int signalNumber);
    // Forgets a noted signal (tests).
    static void forgetTermination();

    // GENERAL/engine_timeout in seconds: kDefaultTimeoutSeconds when missing or out of range.
    static qint64 timeoutSeconds(const clsINIFile& ini);
    static qint64 steadyMilliseconds();

    // What the program does when the watchdog finds a fault: writes endLine at severity 4 and
    // ends the process at once with its exit status (docs/failures.md). Nothing runs in order
    // any more: the main thread is held.
    [[noreturn]] static void endProcess(Verdict verdict, int signalNumber, qint64 timeoutSeconds);
    // "pcQUIBA ends: the event loop has not turned for N s (procedure: P)" or
    // "pcQUIBA ends: signal N, not ended in order within S s (procedure: P)".
    static QString endLine(Verdict verdict, int signalNumber, qint64 timeoutSeconds, const QString& procedure);
    static int exitStatus(Verdict verdict, int signalNumber);

private:
    void watch();

    const qint64 m_timeout;
    Now m_now;
    const int m_checkMilliseconds;
    std::atomic<qint64> m_lastBeat;
    qint64 m_terminationSeen = -1;
    Action m_action;
    std::unique_ptr<QTimer> m_beat;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
};
