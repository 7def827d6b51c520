#include "components/PackageInstallerWait.h"

#include "platform/Clock.h"

#include <QDateTime>
#include <QProcess>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// Time passes only through the pause, which moves Clock; the process under watch is a real one.
class PackageInstallerWaitTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::set(QDateTime(QDate(2026, 12, 10), QTime(12, 0))); }
    void TearDown() override { Clock::reset(); }
};

TEST_F(PackageInstallerWaitTest, WaitsUntilTheProcessHasEnded)
{
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(child.waitForStarted());
    int pauses = 0;
    const auto pause = [&](int milliseconds) {
        Clock::advance(milliseconds);
        if (++pauses == 3) {
            child.kill();
            child.waitForFinished();
        }
    };

    EXPECT_TRUE(PackageInstallerWait::isRunning(child.processId()));
    EXPECT_TRUE(PackageInstallerWait::untilEnded(child.processId(), pause));
    EXPECT_EQ(pauses, 3);
}

TEST_F(PackageInstallerWaitTest, GivesUpAfterTheBound)
{
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(child.waitForStarted());
    int pauses = 0;
    const qint64 start = Clock::elapsed();

    EXPECT_FALSE(PackageInstallerWait::untilEnded(child.processId(), [&](int milliseconds) {
        ++pauses;
        Clock::advance(milliseconds);
    }));
    EXPECT_EQ(Clock::elapsed() - start, PackageInstallerWait::kMaxWaitMilliseconds);
    EXPECT_EQ(pauses, PackageInstallerWait::kMaxWaitMilliseconds / PackageInstallerWait::kStepMilliseconds);
    child.kill();
    child.waitForFinished();
}

TEST_F(PackageInstallerWaitTest, ProcessThatEndedButWasNotCollectedCountsAsEnded)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(0);
    // Its end is seen once the kernel has made it a zombie; the wait for that is bounded too.
    const bool ended = PackageInstallerWait::untilEnded(child, [](int milliseconds) {
        Clock::advance(milliseconds);
        usleep(useconds_t(milliseconds) * 1000);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(kill(child, 0), 0) << "not collected yet: the process table still holds it";
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(PackageInstallerWait::isRunning(child));
}
