#include "app/ExitStatus.h"
#include "app/TerminationSignals.h"
#include "app/Watchdog.h"
#include "common/ForkedChild.h"
#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "components/StandardLogger.h"
#include "config/clsINIFile.h"
#include "services/ProcedureFrame.h"
#include "services/ProcedureSlot.h"
#include "services/Services.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <csignal>
#include <optional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class WatchdogTest : public ::testing::Test {
protected:
    void SetUp() override { Watchdog::forgetTermination(); }
    void TearDown() override { Watchdog::forgetTermination(); }

    qint64 now = 0;
    Watchdog::Now clock()
    {
        return [this] { return now; };
    }

    static QString logText(const QString& name)
    {
        QFile file(TestEnvironment::root() + u"/logs/"_s + name + u".log"_s);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // In a child: the log goes to logs/<name>.log, and the main thread is inside the procedure.
    static void prepareChild(const QString& logName, const QString& owner, const QString& procedure)
    {
        auto logger = std::make_shared<StandardLogger>();
        logger->setLogName(logName);
        Services::setLogger(logger);
        ProcedureSlot::claimForThisThread();
        static std::optional<ProcedureFrame> frame;
        frame.emplace(procedure, owner);
    }

    // The child's held main thread: it never turns a loop again.
    [[noreturn]] static void hold()
    {
        for (;;)
            ::pause();
    }
};

TEST_F(WatchdogTest, ALoopThatStopsBeatingIsStalledOnceTheTimeOutHasPassed)
{
    Watchdog watchdog(10000, clock());
    now = 9999;
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::Alive);
    now = 10000;
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::LoopStalled);

    // A beat starts the time-out again.
    watchdog.beat();
    now = 19999;
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::Alive);
    now = 20000;
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::LoopStalled);
}

TEST_F(WatchdogTest, ATerminationSignalIsOverdueAfterTheGraceEvenWhileTheLoopBeats)
{
    Watchdog watchdog(60000, clock());
    now = 1000;
    Watchdog::noteTermination(SIGTERM);
    // The grace counts from when the watchdog first sees the signal.
    now = 3000;
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::Alive);
    now = 3000 + Watchdog::kTerminationGraceMilliseconds - 1;
    watchdog.beat();
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::Alive);
    now = 3000 + Watchdog::kTerminationGraceMilliseconds;
    watchdog.beat();
    EXPECT_EQ(watchdog.check(), Watchdog::Verdict::TerminationOverdue);
}

TEST_F(WatchdogTest, TheTimeOutIsReadInSecondsWithinItsBounds)
{
    const QString fileName = TestEnvironment::root() + u"/watchdog/pcQUIBA.ini"_s;
    QDir().mkpath(TestEnvironment::root() + u"/watchdog"_s);
    const struct {
        const char* value;
        qint64 seconds;
    } cases[] = {
        {nullptr, 60}, {"10", 10}, {"600", 600}, {"9", 60}, {"601", 60}, {"-30", 60}, {"soon", 60}, {"99999999999", 60},
    };
    for (const auto& c : cases) {
        TestFiles::write(fileName, c.value ? QByteArray("[GENERAL]\nengine_timeout=") + c.value + '\n' : QByteArray("[GENERAL]\n"));
        clsINIFile ini;
        ini.setFileName(fileName);
        EXPECT_EQ(Watchdog::timeoutSeconds(ini), c.seconds) << (c.value ? c.value : "missing");
    }
}

TEST_F(WatchdogTest, AHeldLoopEndsTheProcessWithItsStatusAndALineNamingTheProcedure)
{
    ForkedChild child([] {
        prepareChild(u"watchdog-stalled"_s, u"HangingEngine"_s, u"Function Commit"_s);
        // Each look of the watchdog finds four seconds gone.
        auto fakeNow = std::make_shared<std::atomic<qint64>>(0);
        static Watchdog watchdog(10000, [fakeNow] { return fakeNow->fetch_add(4000); }, 5);
        watchdog.start([](Watchdog::Verdict verdict, int signalNumber) { Watchdog::endProcess(verdict, signalNumber, 10); });
        hold();
    });
    ASSERT_GT(child.pid(), 0);
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), ExitStatus::kEventLoopStalled);
    EXPECT_TRUE(logText(u"watchdog-stalled"_s)
                    .contains(u" 4 pcQUIBA ends: the event loop has not turned for 10 s (procedure: HangingEngine.Function Commit)\n"_s))
        << logText(u"watchdog-stalled"_s).toStdString();
}

TEST_F(WatchdogTest, SigtermEndsAProcessWhoseLoopIsHeld)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    ForkedChild child([&ready] {
        prepareChild(u"watchdog-sigterm"_s, u"frmController"_s, u"Sub StopEngine"_s);
        static TerminationSignals signals;
        // A second a look: the loop's own time-out is far away.
        auto fakeNow = std::make_shared<std::atomic<qint64>>(0);
        static Watchdog watchdog(600000, [fakeNow] { return fakeNow->fetch_add(1000); }, 5);
        watchdog.start([](Watchdog::Verdict verdict, int signalNumber) { Watchdog::endProcess(verdict, signalNumber, 600); });
        [[maybe_unused]] const ssize_t told = ::write(ready[1], "r", 1);
        hold();
    });
    ASSERT_GT(child.pid(), 0);
    char mark = 0;
    ASSERT_EQ(::read(ready[0], &mark, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ::kill(child.pid(), SIGTERM);
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), ExitStatus::forSignal(SIGTERM));
    EXPECT_TRUE(logText(u"watchdog-sigterm"_s)
                    .contains(u" 4 pcQUIBA ends: signal 15, not ended in order within 5 s (procedure: frmController.Sub StopEngine)\n"_s))
        << logText(u"watchdog-sigterm"_s).toStdString();
}

} // namespace
