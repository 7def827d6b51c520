#include "platform/Clock.h"
#include "platform/DateValue.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <QScopeGuard>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

constexpr double kMarch5 = 45356; // 5 March 2024
constexpr double kSecond = 1.0 / 86400.0;

TEST(DateValueTest, SerialsCountDaysFrom30December1899)
{
    const struct {
        int year, month, day, hour, minute, second;
        double expected;
    } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0},
        {1900, 1, 1, 0, 0, 0, 2},
        {2024, 3, 5, 0, 0, 0, kMarch5},
        {2024, 3, 5, 12, 0, 0, kMarch5 + 0.5},
        {2024, 3, 5, 13, 45, 10, kMarch5 + (13 * 3600 + 45 * 60 + 10) / 86400.0},
        {1899, 12, 29, 6, 0, 0, -1.25}, // the fraction counts forward on both sides of day 0
        {100, 1, 1, 0, 0, 0, -657434},
        {9999, 12, 31, 0, 0, 0, 2958465},
        // Out-of-range fields carry over as DateSerial and TimeSerial do.
        {2024, 13, 1, 0, 0, 0, 45658},
        {2024, 3, 0, 0, 0, 0, 45351},
        {2024, 0, 5, 0, 0, 0, 45265}, // 5 December 2023
        {2024, 3, 5, 25, 0, 0, kMarch5 + 1 + 1 / 24.0},
        {2024, 3, 5, 0, -1, 0, kMarch5 - 1 + 1439 / 1440.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(DateValue::fromParts(c.year, c.month, c.day, c.hour, c.minute, c.second), c.expected)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute;
    }
}

TEST(DateValueTest, SplitGivesCalendarFieldsRoundedToTheSecond)
{
    const struct {
        double serial;
        int year, month, day, hour, minute, second, dayOfWeek, dayOfYear;
    } cases[] = {
        {0, 1899, 12, 30, 0, 0, 0, 7, 364},
        {kMarch5 + 0.5, 2024, 3, 5, 12, 0, 0, 3, 65},
        {-1.25, 1899, 12, 29, 6, 0, 0, 6, 363},
        {-0.25, 1899, 12, 30, 6, 0, 0, 7, 364},
        {kMarch5 + 1 - 0.1 * kSecond, 2024, 3, 6, 0, 0, 0, 4, 66},
        {kMarch5 + 59.6 * kSecond, 2024, 3, 5, 0, 1, 0, 3, 65},
        {-657434, 100, 1, 1, 0, 0, 0, 6, 1},
        {2958465 + 86399 * kSecond, 9999, 12, 31, 23, 59, 59, 6, 365},
    };
    for (const auto& c : cases) {
        const DateValue::Parts p = DateValue::split(c.serial);
        EXPECT_EQ(std::vector<int>({p.year, p.month, p.day, p.hour, p.minute, p.second, p.dayOfWeek, p.dayOfYear}),
                  std::vector<int>({c.year, c.month, c.day, c.hour, c.minute, c.second, c.dayOfWeek, c.dayOfYear}))
            << c.serial;
    }
}

TEST(DateValueTest, SerialsOutsideTheRuntimesRangeOverflow)
{
    const double cases[] = {-657435, 2958466, 2958465 + 86399.6 * kSecond, 1e300,
                            std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    for (const double serial : cases) {
        EXPECT_FALSE(DateValue::isInRange(serial)) << serial;
        EXPECT_EQ(raisedNumber([&] { DateValue::split(serial); }), RuntimeErrors::Overflow) << serial;
    }
    EXPECT_TRUE(DateValue::isInRange(-657434.5));
    EXPECT_TRUE(DateValue::isInRange(2958465.5));
}

TEST(DateValueTest, TextFormIsDayMonthYearAndTwentyFourHourTime)
{
    const struct {
        double serial;
        const char16_t* expected;
    } cases[] = {
        {kMarch5 + (13 * 3600 + 45 * 60 + 10) / 86400.0, u"05/03/2024 13:45:10"},
        {kMarch5, u"05/03/2024"},
        {0.5, u"12:00:00"},
        {0, u"00:00:00"},
        {-1.25, u"29/12/1899 06:00:00"},
        {-657434, u"01/01/0100"},
        {1 - 0.2 * kSecond, u"31/12/1899"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateValue::toText(c.serial), QString::fromUtf16(c.expected)) << c.serial;
}

TEST(DateValueTest, ReadsDatesAndTimesInTheRuntimesForms)
{
    const double t134510 = (13 * 3600 + 45 * 60 + 10) / 86400.0;
    const struct {
        const char16_t* text;
        double expected;
    } cases[] = {
        {u"05/03/2024", kMarch5},
        {u"5/3/2024", kMarch5},
        {u"05-03-2024", kMarch5},
        {u"05.03.2024", kMarch5},
        {u" 05 / 03 / 2024 ", kMarch5},
        {u"2024-03-05", kMarch5},
        {u"2024/3/5", kMarch5},
        {u"5/3/24", kMarch5},
        {u"5/3/00", 36590},
        {u"5/3/29", 47182},
        {u"5/3/30", 11022},
        {u"5/3/99", 36224},
        {u"29/02/2024", 45351},
        {u"5 March 2024", kMarch5},
        {u"5 mar 2024", kMarch5},
        {u"MARCH 5, 2024", kMarch5},
        {u"Mar 5 24", kMarch5},
        {u"05-Mar-2024", kMarch5},
        {u"2024-Mar-05", kMarch5},
        {u"05/03/2024 13:45:10", kMarch5 + t134510},
        {u"05-Mar-2024 13:45:10", kMarch5 + t134510},
        {u"2024-03-05T13:45:10", kMarch5 + t134510},
        {u"13:45:10 05/03/2024", kMarch5 + t134510},
        {u"05/03/2024 1:45:10 PM", kMarch5 + t134510},
        {u"05/03/2024 1:45:10pm", kMarch5 + t134510},
        {u"05/03/2024 12:00 AM", kMarch5},
        {u"05/03/2024 12:00 p", kMarch5 + 0.5},
        {u"13:45:10", t134510},
        {u"13:45", 13.75 / 24},
        {u"6 am", 0.25},
        {u"5 PM", 17.0 / 24},
        {u"0:00", 0},
    };
    for (const auto& c : cases) {
        const std::optional<double> serial = DateValue::parse(QString::fromUtf16(c.text));
        ASSERT_TRUE(serial.has_value()) << utf8(c.text);
        EXPECT_NEAR(*serial, c.expected, 1e-9) << utf8(c.text);
    }
}

TEST(DateValueTest, InvalidDayMonthOrShapeIsNotADate)
{
    const char16_t* const cases[] = {
        u"", u"   ", u"abc", u"12", u"1.5", u"1,000", u"-5", u"05/03", u"5 March",
        u"31/02/2024", u"29/02/2023", u"32/01/2024", u"05/13/2024", u"0/1/2024", u"05/00/2024",
        u"05/03-2024", u"05//03/2024", u"05/03/2024,", u"05/03/0050", u"05/03/12345",
        u"5 Foo 2024", u"March 5 May", u"2024 5 March", u"Mar/5/2024 extra",
        u"24:00", u"12:60", u"12:00:60", u"13:00 PM", u"12:", u":30", u"12:30:45:10", u"123:00",
        u"05/03/2024 13:45 xyz", u"05/03/2024 #", u"\u0665/03/2024",
    };
    for (const char16_t* text : cases)
        EXPECT_FALSE(DateValue::parse(QString::fromUtf16(text)).has_value()) << utf8(text);
}

TEST(DateValueTest, TextFormReadsBack)
{
    const double serials[] = {kMarch5, kMarch5 + 0.75, 0.5, -1.25, 2958465};
    for (const double serial : serials) {
        const std::optional<double> read = DateValue::parse(DateValue::toText(serial));
        ASSERT_TRUE(read.has_value()) << serial;
        EXPECT_NEAR(*read, serial, 1e-9);
    }
}

TEST(DateValueTest, QtDateTimesConvertBothWays)
{
    const QDateTime when(QDate(2024, 3, 5), QTime(13, 45, 10));
    EXPECT_NEAR(DateValue::fromDateTime(when), kMarch5 + (13 * 3600 + 45 * 60 + 10) / 86400.0, 1e-9);
    EXPECT_EQ(DateValue::toDateTime(DateValue::fromDateTime(when)), when);
    EXPECT_EQ(DateValue::toDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(DateValue::fromDateTime(QDateTime()), 0.0);
}

TEST(DateValueTest, NowIsTheClockToTheSecond)
{
    Clock::set(QDateTime(QDate(2024, 3, 5), QTime(13, 45, 10, 999)));
    const auto resetClock = qScopeGuard([] { Clock::reset(); });
    EXPECT_EQ(DateValue::now(), DateValue::fromParts(2024, 3, 5, 13, 45, 10));
    Clock::advance(1);
    EXPECT_EQ(DateValue::now(), DateValue::fromParts(2024, 3, 5, 13, 45, 11));
}

TEST(DateValueTest, EnglishMonthAndDayNames)
{
    EXPECT_EQ(DateValue::monthName(1), QStringLiteral("January"));
    EXPECT_EQ(DateValue::monthName(9, true), QStringLiteral("Sep"));
    EXPECT_EQ(DateValue::monthName(13), QString());
    EXPECT_EQ(DateValue::dayName(1), QStringLiteral("Sunday"));
    EXPECT_EQ(DateValue::dayName(7, true), QStringLiteral("Sat"));
    EXPECT_EQ(DateValue::dayName(0), QString());
}

} // namespace
