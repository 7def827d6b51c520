#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::reset(); }
};

TEST_F(ClockTest, ASetClockStandsStillUntilAdvanced)
{
    const QDateTime moment(QDate(2026, 12, 31), QTime(23, 59, 59));
    Clock::set(moment);
    const qint64 start = Clock::elapsed();

    EXPECT_EQ(Clock::now(), moment);
    EXPECT_EQ(Clock::elapsed(), start);

    Clock::advance(1500);
    EXPECT_EQ(Clock::now(), QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 500)));
    EXPECT_EQ(Clock::elapsed(), start + 1500);
}

TEST_F(ClockTest, ResetReturnsToTheSystemClock)
{
    Clock::set(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    Clock::reset();

    EXPECT_FALSE(Clock::isSet());
    EXPECT_GT(Clock::now().date().year(), 2000);
}

TEST_F(ClockTest, SettingTheMomentAgainKeepsTheElapsedCountGoingForward)
{
    Clock::set(QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
    Clock::advance(700);
    const qint64 before = Clock::elapsed();

    // A date set back (a clock adjusted by the operator) never makes waits run backwards.
    Clock::set(QDateTime(QDate(2025, 1, 1), QTime(12, 0)));
    EXPECT_EQ(Clock::elapsed(), before);
}

} // namespace
