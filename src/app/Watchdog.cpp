#include "app/Watchdog.h"

#include "app/ExitStatus.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/AutomationError.h"
#include "services/ProcedureSlot.h"
#include "services/Trace.h"

#include <QTimer>
#include <chrono>
#include <cstdlib>

namespace {

// The number of the termination signal that came, 0 while none did. Lock-free, so a signal
// handler may set it.
std::atomic<int> s_terminationSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

} // namespace

Watchdog::Watchdog(qint64 timeoutMilliseconds, Now now, int checkMilliseconds)
    : m_timeout(timeoutMilliseconds)
    , m_now(std::move(now))
    , m_checkMilliseconds(checkMilliseconds)
    , m_lastBeat(m_now())
{
}

Watchdog::~Watchdog()
{
    stop();
}

void Watchdog::beat()
{
    m_lastBeat.store(m_now(), std::memory_order_relaxed);
}

Watchdog::Verdict Watchdog::check()
{
    const qint64 now = m_now();
    if (s_terminationSignal.load() != 0) {
        if (m_terminationSeen < 0)
            m_terminationSeen = now;
        if (now - m_terminationSeen >= kTerminationGraceMilliseconds)
            return Verdict::TerminationOverdue;
    }
    if (now - m_lastBeat.load(std::memory_order_relaxed) >= m_timeout)
        return Verdict::LoopStalled;
    return Verdict::Alive;
}

void Watchdog::start(Action action)
{
    if (m_thread.joinable())
        return;
    m_action = std::move(action);
    m_beat = std::make_unique<QTimer>();
    m_beat->setInterval(kBeatMilliseconds);
    QObject::connect(m_beat.get(), &QTimer::timeout, [this] { beat(); });
    m_beat->start();
    beat();
    m_stopping = false;
    m_thread = std::thread([this] { watch(); });
}

void Watchdog::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_beat.reset();
}

void Watchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, std::chrono::milliseconds(m_checkMilliseconds), [this] { return m_stopping; })) {
        const Verdict verdict = check();
        if (verdict == Verdict::Alive)
            continue;
        m_action(verdict, s_terminationSignal.load());
        return;
    }
}

void Watchdog::noteTermination(int signalNumber)
{
    s_terminationSignal.store(signalNumber);
}

void Watchdog::forgetTermination()
{
    s_terminationSignal.store(0);
}

qint64 Watchdog::timeoutSeconds(const clsINIFile& ini)
{
    qint64 seconds = kDefaultTimeoutSeconds;
    try {
        seconds = ini.GetLong(IniSections::General, IniKeys::EngineTimeout, qint32(kDefaultTimeoutSeconds));
    } catch (const AutomationError&) {
        // A number too large for a Long keeps the default.
    }
    return seconds < kMinimumTimeoutSeconds || seconds > kMaximumTimeoutSeconds ? kDefaultTimeoutSeconds : seconds;
}

qint64 Watchdog::steadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString Watchdog::endLine(Verdict verdict, int signalNumber, qint64 timeoutSeconds, const QString& procedure)
{
    const QString in = QStringLiteral(" (procedure: %1)").arg(procedure.isEmpty() ? QStringLiteral("none") : procedure);
    if (verdict == Verdict::TerminationOverdue)
        return QStringLiteral("pcQUIBA ends: signal %1, not ended in order within %2 s")
                   .arg(signalNumber)
                   .arg(kTerminationGraceMilliseconds / 1000) +
               in;
    return QStringLiteral("pcQUIBA ends: the event loop has not turned for %1 s").arg(timeoutSeconds) + in;
}

int Watchdog::exitStatus(Verdict verdict, int signalNumber)
{
    return verdict == Verdict::TerminationOverdue ? ExitStatus::forSignal(signalNumber)
                                                  : ExitStatus::kEventLoopStalled;
}

void Watchdog::endProcess(Verdict verdict, int signalNumber, qint64 timeoutSeconds)
{
    char procedure[ProcedureSlot::kCapacity];
    ProcedureSlot::read(procedure, sizeof procedure);
    // The main thread is held inside a call: the line is written from here, and the process
    // ends without unwinding what the held thread owns.
    Trace::write(endLine(verdict, signalNumber, timeoutSeconds, QString::fromLatin1(procedure)), Trace::ErrorSeverity);
    std::_Exit(exitStatus(verdict, signalNumber));
}
