#include "app/ExitStatus.h"
#include "app/KioskRun.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "ControllerLifetimeFixture.h"
#include "common/TestEventLoop.h"
#include "common/TestFiles.h"
#include "controller/frmController.h"
#include "controller/RulesEngineEvents.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class KioskRunTest : public ControllerLifetimeFixture {
protected:
    KioskRunTest()
        : ControllerLifetimeFixture(QDateTime(QDate(2026, 12, 11), QTime(8, 0)))
    {
    }

    QString stateFile() const { return m_folder.filePath(u"kiosk-restarts.state"_s); }
    int quickFailures() const { return KioskBackoff(stateFile()).quickFailures(); }
    static QStringList showCalls()
    {
        const auto engine = FakeRulesEngine::last();
        return engine ? engine->calls.filter(u"ShowGUI"_s) : QStringList{};
    }
    static void surrender(qint32 reason, const QString& message)
    {
        FakeRulesEngine::last()->sink()->Surrender(reason, message);
    }
    static ProcessLifetime::Ending orderlyEnd()
    {
        return {ProcessLifetime::kEndLogLine, ExitStatus::kOrderly, Trace::TraceSeverity};
    }

    QTemporaryDir m_folder;
};

TEST_F(KioskRunTest, AnUnassignedKioskEndsWithItsStatusAndTheNextRunWaits)
{
    {
        KioskRun run(stateFile());
        EXPECT_EQ(run.waitBeforeShowing(), 0);
        KioskRun::start(u"Main"_s);
        EXPECT_EQ(showCalls(), QStringList{u"ShowGUI(Main)"_s});
        surrender(7, u"This terminal is not assigned"_s);
        EXPECT_FALSE(frmController::isLoaded()) << "the kiosk disconnects when its engine surrenders";

        ProcessLifetime::Ending why = orderlyEnd();
        run.report(why);
        EXPECT_EQ(why.logLine, u"pcQUIBA ends: the kiosk's engine surrendered (7, This terminal is not assigned)"_s);
        EXPECT_EQ(why.exitCode, ExitStatus::kKioskEnded);
        EXPECT_EQ(why.severity, Trace::ErrorSeverity);
    }
    EXPECT_EQ(quickFailures(), 1);
    TestEventLoop::runPending();

    KioskRun next(stateFile());
    EXPECT_EQ(next.waitBeforeShowing(), 5000);
    logger->lines.clear();
    KioskRun::start(u""_s);
    TestEventLoop::runPending();
    EXPECT_TRUE(showCalls().isEmpty()) << "shown only after the wait";
    EXPECT_EQ(frmController::instance().clientCount(), 1) << "the waiting kiosk keeps the process";
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{
                                 {u"The kiosk shows its screen again in 5 s: quick failures in a row: 1"_s, 4}}));
    next.showAfterWait(u""_s);
    EXPECT_EQ(showCalls(), QStringList{u"ShowGUI()"_s});
}

TEST_F(KioskRunTest, ACommittedBasketResetsTheWaitAndEveryEndIsLoggedAtSeverityFour)
{
    TestFiles::write(stateFile(), "quick_failures=4\n");
    KioskRun run(stateFile());
    run.showAfterWait(u""_s); // stopped while waiting: nothing to show
    EXPECT_TRUE(showCalls().isEmpty());
    frmController::instance().Connect(u"KIOSK"_s);
    run.showAfterWait(u""_s);
    ASSERT_EQ(showCalls().size(), 1);
    EXPECT_EQ(quickFailures(), 5) << "counted while shown: a killed run counts";

    FakeRulesEngine::last()->sink()->BasketCommitted(1);
    EXPECT_EQ(quickFailures(), 0);

    ProcessLifetime::Ending why{ProcessLifetime::signalLogLine(15), ExitStatus::forSignal(15), Trace::TraceSeverity};
    run.report(why);
    EXPECT_EQ(why.logLine, u"pcQUIBA ends: signal 15"_s);
    EXPECT_EQ(why.exitCode, 143);
    EXPECT_EQ(why.severity, Trace::ErrorSeverity);
    EXPECT_EQ(quickFailures(), 0);
}

TEST_F(KioskRunTest, AKioskWhoseEngineCannotBeMadeAfterItsWaitEndsWithTheStartFailure)
{
    TestFiles::write(stateFile(), "quick_failures=1\n");
    FakeRulesEngine::uninstall();
    KioskRun run(stateFile());
    QString line;
    int status = -1;
    QObject::connect(&run, &KioskRun::failed, [&](const QString& logLine, int exitCode) {
        line = logLine;
        status = exitCode;
    });
    KioskRun::start(u""_s);
    run.showAfterWait(u""_s);
    EXPECT_TRUE(line.startsWith(u"pcQUIBA ends: the start failed: "_s)) << line.toStdString();
    EXPECT_EQ(status, ExitStatus::kStartFailed);

    ProcessLifetime::Ending why{line, status, Trace::TraceSeverity};
    run.report(why);
    EXPECT_EQ(quickFailures(), 2);
}

} // namespace
