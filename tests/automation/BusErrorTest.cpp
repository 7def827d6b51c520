#include "automation/BusError.h"

#include <gtest/gtest.h>

namespace {

TEST(BusErrorTest, NamesCarryTheNumbersBitPattern)
{
    EXPECT_EQ(BusError::name(qint32(0x80040259)), QStringLiteral("org.pcquiba.Error.x80040259"));
    EXPECT_EQ(BusError::name(13), QStringLiteral("org.pcquiba.Error.x0000000D"));
    EXPECT_EQ(BusError::name(-1), QStringLiteral("org.pcquiba.Error.xFFFFFFFF"));
}

TEST(BusErrorTest, ParsingRecoversWhatWasSent)
{
    const AutomationError cases[] = {
        {13, QStringLiteral("pcQUIBA"), QStringLiteral("Type mismatch")},
        {qint32(0x80040266), QStringLiteral("pcQUIBABasket"), QStringLiteral("two\nlines")},
        {5, QString(), QString()},
    };
    for (const AutomationError& sent : cases) {
        const auto got = BusError::parse(BusError::name(sent.number()), BusError::message(sent));
        ASSERT_TRUE(got);
        EXPECT_EQ(got->number(), sent.number());
        EXPECT_EQ(got->source(), sent.source());
        EXPECT_EQ(got->description(), sent.description());
    }
}

TEST(BusErrorTest, OtherErrorsAreNotAutomationErrors)
{
    const QString names[] = {
        QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
        QStringLiteral("org.pcquiba.Error.x8004025"),
        QStringLiteral("org.pcquiba.Error.x8004025G"),
        QStringLiteral("org.pcquiba.Error.x800402590"),
    };
    for (const QString& name : names)
        EXPECT_FALSE(BusError::parse(name, QStringLiteral("s\nd"))) << name.toStdString();
    const auto sourceOnly = BusError::parse(BusError::name(7), QStringLiteral("pcQUIBA"));
    ASSERT_TRUE(sourceOnly);
    EXPECT_EQ(sourceOnly->source(), QStringLiteral("pcQUIBA"));
    EXPECT_EQ(sourceOnly->description(), QString());
}

TEST(BusErrorTest, ALineFeedInTheSourceCannotShiftTheDescription)
{
    const AutomationError sent(1, QStringLiteral("a\nb"), QStringLiteral("text"));
    const auto got = BusError::parse(BusError::name(1), BusError::message(sent));
    ASSERT_TRUE(got);
    EXPECT_EQ(got->source(), QStringLiteral("a b"));
    EXPECT_EQ(got->description(), QStringLiteral("text"));
}

} // namespace
