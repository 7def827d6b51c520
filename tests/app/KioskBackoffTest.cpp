#include "app/ExitStatus.h"
#include "app/KioskBackoff.h"
#include "common/TestFiles.h"
#include "platform/Clock.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class KioskBackoffTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::set(QDateTime(QDate(2026, 12, 11), QTime(8, 0))); }
    void TearDown() override { Clock::reset(); }

    QString stateFile() const { return m_folder.filePath(u"kiosk-restarts.state"_s); }
    void storeQuickFailures(int count) const
    {
        TestFiles::write(stateFile(), "quick_failures=" + QByteArray::number(count) + "\n");
    }

    QTemporaryDir m_folder;
};

TEST(KioskBackoffWaitTest, DoublesFromFiveSecondsUpToFiveMinutes)
{
    const struct {
        int quickFailures;
        qint64 wait;
    } cases[] = {{-1, 0}, {0, 0}, {1, 5000}, {2, 10000}, {3, 20000}, {6, 160000}, {7, 300000}, {1000, 300000}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.quickFailures);
        EXPECT_EQ(KioskBackoff::waitAfter(testCase.quickFailures), testCase.wait);
    }
}

// One run of the kiosk from a count of quick failures before it, and the count it leaves.
TEST_F(KioskBackoffTest, ARunEndingEarlyWithAFailureOrAnUnassignedSurrenderCountsAndACommitOrAMinuteResets)
{
    const int noSurrender = -1;
    const struct {
        const char* name;
        int before;
        qint64 runMilliseconds;
        bool committed;
        int exitStatus;
        int surrenderReason;
        int after;
    } cases[] = {
        {"surrender 7 within a minute", 0, 2000, false, ExitStatus::kKioskEnded, 7, 1},
        {"again", 3, 59999, false, ExitStatus::kKioskEnded, 7, 4},
        {"a failure status", 1, 500, false, ExitStatus::kStartFailed, noSurrender, 2},
        {"a status another part adds counts as a failure", 1, 500, false, 9, noSurrender, 2},
        {"surrender 7 after a minute resets", 5, 60000, false, ExitStatus::kKioskEnded, 7, 0},
        {"a committed basket resets", 5, 3000, true, ExitStatus::kKioskEnded, 7, 0},
        {"the customer cancelled: neither counts nor resets", 2, 3000, false, ExitStatus::kKioskEnded, 2, 2},
        {"stopped by SIGTERM: neither counts nor resets", 2, 3000, false, ExitStatus::forSignal(15), noSurrender, 2},
        {"stopped by SIGTERM after the screen gave up", 2, 3000, false, ExitStatus::forSignal(15), 7, 3},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        storeQuickFailures(testCase.before);
        KioskBackoff run(stateFile());
        EXPECT_EQ(run.waitBeforeShowing(), KioskBackoff::waitAfter(testCase.before));
        run.shown();
        Clock::advance(testCase.runMilliseconds);
        if (testCase.committed)
            run.basketCommitted();
        run.ended(testCase.exitStatus, testCase.surrenderReason);
        EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), testCase.after);
    }
}

TEST_F(KioskBackoffTest, ARunKilledBeforeItsEndCountsUnlessItHadRunAMinute)
{
    storeQuickFailures(2);
    {
        KioskBackoff killed(stateFile());
        killed.shown();
    }
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 3);

    KioskBackoff longRun(stateFile());
    longRun.shown();
    Clock::advance(KioskBackoff::kQuickRunMilliseconds - 1);
    longRun.checkRunLength();
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 4);
    Clock::advance(1);
    longRun.checkRunLength();
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 0);
}

TEST_F(KioskBackoffTest, AFailureBeforeTheKioskIsShownCounts)
{
    storeQuickFailures(1);
    KioskBackoff notShown(stateFile());
    notShown.ended(ExitStatus::kStartFailed, -1);
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 2);

    KioskBackoff stoppedWhileWaiting(stateFile());
    stoppedWhileWaiting.ended(ExitStatus::forSignal(15), -1);
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 2);
}

TEST_F(KioskBackoffTest, AStateFileThatIsMissingOrNotOursCountsAsNoFailure)
{
    EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), 0);
    const struct {
        const char* name;
        QByteArray content;
        int quickFailures;
    } cases[] = {
        {"empty", "", 0},
        {"not a number", "quick_failures=many\n", 0},
        {"negative", "quick_failures=-4\n", 0},
        {"another key", "restarts=3\n", 0},
        {"past the bound: still the longest wait", "quick_failures=99999999\n", 32},
        {"longer than a state file", "quick_failures=3\n" + QByteArray(100, ' '), 0},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        TestFiles::write(stateFile(), testCase.content);
        EXPECT_EQ(KioskBackoff(stateFile()).quickFailures(), testCase.quickFailures);
    }
    EXPECT_EQ(KioskBackoff::waitAfter(32), KioskBackoff::kLongestWaitMilliseconds);
}

} // namespace
