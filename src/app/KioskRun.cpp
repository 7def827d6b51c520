#include "app/KioskRun.h"

#include "app/ExitStatus.h"
#include "services/Trace.h"
#include "controller/frmController.h"
#include "platform/AutomationError.h"
#include "platform/Blanks.h"
#include "platform/RuntimeErrors.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

KioskRun* s_current = nullptr;

} // namespace

KioskRun::KioskRun(const QString& stateFile) : m_backoff(stateFile)
{
    s_current = this;
    m_runLength.setSingleShot(true);
    m_runLength.setInterval(std::chrono::milliseconds(KioskBackoff::kQuickRunMilliseconds));
    connect(&m_runLength, &QTimer::timeout, this, [this] { m_backoff.checkRunLength(); });
    frmController::setKioskHooks({
        [this](qint32 reason, const QString& message) {
            m_surrenderReason = reason;
            m_surrenderMessage = message;
        },
        [this] { m_backoff.basketCommitted(); },
    });
}

KioskRun::~KioskRun()
{
    frmController::setKioskHooks({});
    if (s_current == this)
        s_current = nullptr;
}

KioskRun* KioskRun::current()
{
    return s_current;
}

void KioskRun::start(const QString& startAt)
{
    frmController::instance().Connect(u"KIOSK"_s);
    KioskRun* run = current();
    const qint64 wait = run ? run->waitBeforeShowing() : 0;
    if (wait <= 0) {
        show(startAt);
        return;
    }
    // The wait begins in the event loop, once the process hears termination signals: a stop
    // while it waits ends it in order.
    QTimer::singleShot(0, run, [run, startAt, wait] {
        Trace::write(waitLine(wait, run->m_backoff.quickFailures()), Trace::ErrorSeverity);
        QTimer::singleShot(std::chrono::milliseconds(wait), run, [run, startAt] { run->showAfterWait(startAt); });
    });
}

void KioskRun::show(const QString& startAt)
{
    frmController& controller = frmController::instance();
    controller.StartEngine();
    const auto engine = controller.Engine();
    if (!engine)
        RuntimeErrors::raise(91);
    if (KioskRun* run = current()) {
        run->m_backoff.shown();
        run->m_runLength.start();
    }
    engine->ShowGUI(Blanks::trim(startAt));
}

void KioskRun::showAfterWait(const QString& startAt)
{
    // Stopped while it waited: nothing is shown any more.
    if (!frmController::isLoaded() || frmController::instance().clientCount() == 0)
        return;
    try {
        show(startAt);
    } catch (const AutomationError& error) {
        Q_EMIT failed(startFailedLine(error.description()), ExitStatus::kStartFailed);
    }
}

void KioskRun::report(ProcessLifetime::Ending& ending)
{
    if (m_surrenderReason && ending.exitCode == ExitStatus::kOrderly) {
        ending.logLine = surrenderLine(*m_surrenderReason, m_surrenderMessage);
        ending.exitCode = ExitStatus::kKioskEnded;
    }
    ending.severity = Trace::ErrorSeverity;
    m_runLength.stop();
    m_backoff.ended(ending.exitCode, m_surrenderReason.value_or(-1));
}

QString KioskRun::surrenderLine(qint32 reason, const QString& message)
{
    return u"pcQUIBA ends: the kiosk's engine surrendered (%1, %2)"_s.arg(reason).arg(message);
}

QString KioskRun::waitLine(qint64 milliseconds, int quickFailures)
{
    return u"The kiosk shows its screen again in %1 s: quick failures in a row: %2"_s.arg((milliseconds + 999) / 1000)
        .arg(quickFailures);
}

QString KioskRun::startFailedLine(const QString& description)
{
    return u"pcQUIBA ends: the start failed: "_s + description;
}
