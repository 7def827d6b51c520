#include "CommandTestFixture.h"

class IniCommandEntryTest : public CommandTestFixture {};

TEST_F(IniCommandEntryTest, ReadsThePlainAndTheKeptForm)
{
    struct Case {
        QString stored;
        QString status;
        double when;
        QString command;
        bool readError = false;
    };
    const double noon = DateValue::fromParts(2026, 12, 10, 12, 0, 0);
    const Case cases[] = {
        {QStringLiteral("q:/update?package=p.tar.gz"), QString(), 0.0, QStringLiteral("q:/update?package=p.tar.gz")},
        {QStringLiteral("@2026-12-10 12:00:00||q:/set?scope=S|x"), QString(), noon, QStringLiteral("q:/set?scope=S|x")},
        {QStringLiteral("@2026-12-10 12:00:00|done|q:/upload"), QStringLiteral("done"), noon, QStringLiteral("q:/upload")},
        // starts like the kept form without being it (no URI starts with "@"): not read
        {QStringLiteral("@2026-13-40 12:00:00||q:/x"), QString(), 0.0, QString(), true},
    };
    for (const Case& c : cases) {
        ini->WriteString(IniSections::Commands, QStringLiteral("k"), c.stored);
        const IniCommandEntry read = entry(QStringLiteral("k"));
        EXPECT_EQ(read.Status(), c.status) << c.stored.toStdString();
        EXPECT_DOUBLE_EQ(read.When(), c.when) << c.stored.toStdString();
        EXPECT_EQ(read.CommandText(), c.command);
        EXPECT_EQ(!read.ReadError().isEmpty(), c.readError) << c.stored.toStdString();
    }
}

TEST_F(IniCommandEntryTest, SaveAndCompleteSurviveANewEntryObject)
{
    ini->WriteString(IniSections::Commands, QStringLiteral("k"), QStringLiteral("q:/install"));
    IniCommandEntry first = entry(QStringLiteral("k"));
    const double later = DateValue::fromParts(2026, 12, 10, 12, 5, 1);
    first.setWhen(later);
    first.Save();

    IniCommandEntry second = entry(QStringLiteral("k"));
    EXPECT_DOUBLE_EQ(second.When(), later);
    EXPECT_TRUE(second.Status().isEmpty());
    EXPECT_EQ(ini->GetString(IniSections::Commands, QStringLiteral("k")), QStringLiteral("@2026-12-10 12:05:01||q:/install"));

    second.Complete();
    EXPECT_EQ(entry(QStringLiteral("k")).Status(), IniCommandEntry::kDoneStatus);
    EXPECT_EQ(entry(QStringLiteral("k")).CommandText(), QStringLiteral("q:/install"));
}
