#include "CommandTestFixture.h"

#include <ctime>

class IniCommandEntryTest : public CommandTestFixture {};

TEST_F(IniCommandEntryTest, ReadsThePlainAndTheKeptForm)
{
    struct Case {
        QString stored;
        QString status;
        double when;
        QString command;
        bool readError = false;
        bool defect = false;
    };
    const double noon = DateValue::fromParts(2026, 12, 10, 12, 0, 0);
    const Case cases[] = {
        {QStringLiteral("q:/update?package=p.tar.gz"), QString(), 0.0, QStringLiteral("q:/update?package=p.tar.gz")},
        {QStringLiteral("@2026-12-10 12:00:00||q:/set?scope=S|x"), QString(), noon, QStringLiteral("q:/set?scope=S|x")},
        {QStringLiteral("@2026-12-10 12:00:00|done|q:/upload"), QStringLiteral("done"), noon, QStringLiteral("q:/upload")},
        // starts like the kept form without being it (no URI starts with "@"): may be a cut read, not read
        {QStringLiteral("@2026-12-10 12:0"), QString(), 0.0, QString(), true},
        // the whole kept form with a time that is no time: read, and defective
        {QStringLiteral("@2026-13-40 12:00:00||q:/x"), QString(), 0.0, QStringLiteral("q:/x"), false, true},
    };
    for (const Case& c : cases) {
        ini->WriteString(IniSections::Commands, QStringLiteral("k"), c.stored);
        const IniCommandEntry read = entry(QStringLiteral("k"));
        EXPECT_EQ(read.Status(), c.status) << c.stored.toStdString();
        EXPECT_DOUBLE_EQ(read.When(), c.when) << c.stored.toStdString();
        EXPECT_EQ(read.CommandText(), c.command);
        EXPECT_EQ(!read.ReadError().isEmpty(), c.readError) << c.stored.toStdString();
        EXPECT_EQ(!read.Defect().isEmpty(), c.defect) << c.stored.toStdString();
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

// Kept times are wall-clock times of a kiosk in a zone with daylight-saving changes.
class IniCommandEntryClockChangeTest : public IniCommandEntryTest {
protected:
    void SetUp() override
    {
        IniCommandEntryTest::SetUp();
        m_zone = qgetenv("TZ");
        m_hadZone = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void TearDown() override
    {
        if (m_hadZone)
            qputenv("TZ", m_zone);
        else
            qunsetenv("TZ");
        tzset();
        IniCommandEntryTest::TearDown();
    }

private:
    QByteArray m_zone;
    bool m_hadZone = false;
};

TEST_F(IniCommandEntryClockChangeTest, SkippedTimeIsWrittenAsTheFirstValidTimeAfterItAndRepeatedTimeAsItReads)
{
    struct Case {
        double when;
        QString written;
    };
    const Case cases[] = {
        // 29 March 2026: 02:00 becomes 03:00.
        {DateValue::fromParts(2026, 3, 29, 2, 30, 15), QStringLiteral("2026-03-29 03:00:00")},
        {DateValue::fromParts(2026, 3, 29, 2, 0, 0), QStringLiteral("2026-03-29 03:00:00")},
        {DateValue::fromParts(2026, 3, 29, 1, 59, 59), QStringLiteral("2026-03-29 01:59:59")},
        {DateValue::fromParts(2026, 3, 29, 3, 0, 0), QStringLiteral("2026-03-29 03:00:00")},
        // 25 October 2026: 03:00 goes back to 02:00; the hour between is there twice.
        {DateValue::fromParts(2026, 10, 25, 2, 30, 0), QStringLiteral("2026-10-25 02:30:00")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniCommandEntry::timeText(c.when), c.written);
        // A postponed entry keeps what was written, and reads back as it stands.
        ini->WriteString(IniSections::Commands, QStringLiteral("k"), QStringLiteral("q:/install"));
        IniCommandEntry postponed = entry(QStringLiteral("k"));
        postponed.setWhen(c.when);
        postponed.Save();
        EXPECT_EQ(ini->GetString(IniSections::Commands, QStringLiteral("k")),
                  QStringLiteral("@%1||q:/install").arg(c.written));
        const IniCommandEntry read = entry(QStringLiteral("k"));
        EXPECT_TRUE(read.ReadError().isEmpty() && read.Defect().isEmpty()) << c.written.toStdString();
        EXPECT_EQ(IniCommandEntry::timeText(read.When()), c.written);
    }
}

TEST_F(IniCommandEntryClockChangeTest, EntryInTheRepeatedHourIsDueAtItsFirstPass)
{
    ini->WriteString(IniSections::Commands, QStringLiteral("k"), QStringLiteral("@2026-10-25 02:30:00||q:/update"));
    // 00:29:50 UTC is 02:29:50 summer time, the first pass of that hour.
    Clock::set(QDateTime(QDate(2026, 10, 25), QTime(0, 29, 50), Qt::UTC).toLocalTime());
    ASSERT_EQ(Clock::now().time(), QTime(2, 29, 50));

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate()")});
    EXPECT_EQ(entry(QStringLiteral("k")).Status(), IniCommandEntry::kDoneStatus);
}
