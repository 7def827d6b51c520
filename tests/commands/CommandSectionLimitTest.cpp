#include "CommandTestFixture.h"

#include "common/TestFiles.h"
#include "services/Trace.h"
#include "config/IniKeys.h"
#include "platform/Clock.h"
#include "platform/Dictionary.h"

#include <algorithm>

namespace {

using Line = RecordingLogger::Line;

const QString kMasterPinCommand = QStringLiteral("q:/set?scope=GENERAL&name=masterpin&value=123456");
constexpr qint64 kDay = 24 * 3600 * 1000;

// One key of the COMMANDS section as the section read returns it: "key=value" and a NUL.
struct Piece {
    QString key;
    QString value;
    qsizetype size() const { return key.size() + value.size() + 2; }
};

} // namespace

class CommandSectionLimitTest : public CommandTestFixture {
protected:
    // Finished entries (an hour old) that fill exactly `size` characters of the section read.
    QList<Piece> fillers(qsizetype size) const
    {
        QList<Piece> pieces;
        const auto filler = [&](qsizetype pieceSize) {
            const QString key = QStringLiteral("f%1").arg(pieces.size(), 3, 10, QLatin1Char('0'));
            const QString head = IniCommandEntry::keptForm(now - 3600 * kSecond, IniCommandEntry::kDoneStatus,
                                                           QStringLiteral("q:/set?scope=S&name=f&value="));
            pieces.append({key, head + QString(pieceSize - key.size() - 2 - head.size(), QLatin1Char('x'))});
        };
        qsizetype remaining = size;
        while (remaining > 1000) {
            filler(600);
            remaining -= 600;
        }
        filler(remaining);
        return pieces;
    }

    void writeSection(const QList<Piece>& pieces, const QByteArray& general = {})
    {
        QByteArray text = "[GENERAL]\n" + general + "[COMMANDS]\n";
        for (const Piece& piece : pieces)
            text += (piece.key + QLatin1Char('=') + piece.value + QLatin1Char('\n')).toLatin1();
        ASSERT_TRUE(TestFiles::write(iniPath, text));
    }

    QString value(const QString& key) const { return ini->GetString(IniSections::Commands, key); }

    qsizetype linesStartingWith(const QString& prefix, qint32 severity) const
    {
        return std::count_if(logger->lines.begin(), logger->lines.end(), [&](const Line& line) {
            return line.severity == severity && line.text.startsWith(prefix);
        });
    }
};

// The section read cuts its block at 31998 characters. Whichever piece the cut falls in, no entry
// runs with a cut command, none is rewritten from a cut value, and once old finished entries are
// pruned every command has run.
TEST_F(CommandSectionLimitTest, EntryCutByTheSectionReadNeverRunsCutAndIsNotLost)
{
    const Piece pending{QStringLiteral("c_new"), kMasterPinCommand};
    const Piece finished{QStringLiteral("d_old"),
                         IniCommandEntry::keptForm(now - 600 * kSecond, IniCommandEntry::kDoneStatus,
                                                   QStringLiteral("q:/set?scope=S&name=old&value=1"))};
    const Piece after{QStringLiteral("c_after"), QStringLiteral("q:/set?scope=S&name=after&value=1")};
    struct Case {
        const char* where;
        Piece cut;          // the piece the cut falls in
        qsizetype cutAt;    // characters of it that the read returns
        bool runsAtOnce;    // the pending masterpin command runs in the first tick
    };
    const qsizetype valueStart = pending.key.size() + 1;
    const Case cases[] = {
        {"inside the key", pending, 3, false},
        {"right after the =", pending, valueStart, true},
        {"inside the value, before the PIN", pending, valueStart + kMasterPinCommand.indexOf(QLatin1String("123456")),
         true},
        {"on the NUL", pending, pending.size() - 1, true},
        {"inside the time of a finished entry", finished, valueStart + 12, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        Clock::set(DateValue::toDateTime(now));
        logger->lines.clear();
        QList<Piece> pieces = fillers(31998 - c.cutAt);
        pieces << c.cut;
        if (c.cut.key != pending.key)
            pieces << pending;
        pieces << after;
        writeSection(pieces);
        // The fixture shows the cut: the piece is missing or its value is cut.
        const auto section = ini->GetSection(IniSections::Commands);
        if (c.cutAt <= c.cut.key.size())
            ASSERT_FALSE(section->exists(c.cut.key));
        else
            ASSERT_EQ(section->itemIfPresent(c.cut.key).toString(), c.cut.value.left(c.cutAt - valueStart));
        const QString cutBefore = value(c.cut.key);

        tick();

        EXPECT_EQ(linesStartingWith(QStringLiteral("Unknown command:"), Trace::CommandFailureSeverity), 0);
        if (c.runsAtOnce) {
            EXPECT_EQ(ini->GetString(QStringLiteral("GENERAL"), QStringLiteral("masterpin")), QStringLiteral("123456"));
            EXPECT_EQ(entry(pending.key).Status(), IniCommandEntry::kDoneStatus);
            EXPECT_EQ(entry(pending.key).CommandText(), kMasterPinCommand);
        } else {
            EXPECT_FALSE(ini->KeyExists(QStringLiteral("GENERAL"), QStringLiteral("masterpin")));
            EXPECT_EQ(value(c.cut.key), cutBefore) << "an entry that was cut is not rewritten";
        }
        EXPECT_EQ(linesStartingWith(QStringLiteral("COMMANDS section nears the read limit"), Trace::WarningSeverity),
                  1);

        // A week later the finished fillers are pruned and every command has run whole.
        Clock::advance(8 * kDay);
        for (int i = 0; i < 5; ++i)
            tick();
        EXPECT_EQ(ini->GetString(QStringLiteral("GENERAL"), QStringLiteral("masterpin")), QStringLiteral("123456"));
        EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("after")), QStringLiteral("1"));
        EXPECT_FALSE(ini->KeyExists(IniSections::Commands, QStringLiteral("f000")));
        ini->EraseSection(QStringLiteral("S"));
    }
}

TEST_F(CommandSectionLimitTest, ValueThatCannotBeReadWholeOrParsedIsLoggedOnceAndNeverRunOrRewritten)
{
    const QString tooLongToKeep =
        QStringLiteral("q:/set?scope=S&name=k&value=")
            .leftJustified(IniCommandEntry::maxCommandLength() + 1, QLatin1Char('v'));
    const struct {
        const char* what;
        QString stored;
    } cases[] = {
        {"longer than a key read returns whole", tooLongToKeep.leftJustified(1500, QLatin1Char('v'))},
        {"exactly as long as a key read returns", tooLongToKeep.leftJustified(IniCommandEntry::kMaxValueLength + 1,
                                                                               QLatin1Char('v'))},
        {"too long to be read back once done", tooLongToKeep},
        // (a whole kept form whose time is no time is completed as failed instead: CommandOutcomeTest)
        {"the kept form cut after its time", QStringLiteral("@2026-12-10 12:00:00")},
        {"the kept form cut in its time", QStringLiteral("@1899-12-30 00:0")},
        {"the kept form without its status", QStringLiteral("@2026-12-10 12:00:00|q:/set?scope=S&name=k")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        logger->lines.clear();
        ini->WriteString(IniSections::Commands, QStringLiteral("bad"), c.stored);

        tick();
        tick();

        ASSERT_EQ(logger->lines.size(), 1);
        EXPECT_EQ(logger->lines[0].severity, Trace::CommandFailureSeverity);
        EXPECT_TRUE(logger->lines[0].text.startsWith(
            QStringLiteral("Command Failed: Command entry not run, its value cannot be read whole: bad: ")))
            << logger->lines[0].text.toStdString();
        EXPECT_EQ(value(QStringLiteral("bad")), c.stored.left(999));
        EXPECT_FALSE(ini->SectionExists(QStringLiteral("S")));
        ini->EraseKey(IniSections::Commands, QStringLiteral("bad"));
        tick(); // forgets the entry, so that the next case is reported afresh
    }
}

TEST_F(CommandSectionLimitTest, LongestCommandThatCanBeKeptDoneRunsAndReadsBackDone)
{
    const QString longest = QStringLiteral("q:/set?scope=S&name=k&value=")
                                .leftJustified(IniCommandEntry::maxCommandLength(), QLatin1Char('v'));
    ini->WriteString(IniSections::Commands, QStringLiteral("c"), longest);

    tick();

    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("k")), longest.mid(28));
    const IniCommandEntry done = entry(QStringLiteral("c"));
    EXPECT_TRUE(done.ReadError().isEmpty());
    EXPECT_EQ(done.Status(), IniCommandEntry::kDoneStatus);
    EXPECT_EQ(done.CommandText(), longest);
}

TEST_F(CommandSectionLimitTest, FinishedEntriesArePrunedByAgeAfterTheRetentionDays)
{
    const struct {
        const char* key;
        double finishedDaysAgo;
        QString status;
        bool pruned;
    } cases[] = {
        {"done3", 3.0, IniCommandEntry::kDoneStatus, true},
        {"failed3", 3.0, QStringLiteral("failed"), true},
        {"done1", 1.0, IniCommandEntry::kDoneStatus, false},
        {"justInside", 2.0 - 1.0 / 24, IniCommandEntry::kDoneStatus, false},
        {"pending", -3.0, QString(), false}, // a pending entry (due in three days) is never pruned
    };
    writeSection({}, "data_retention_days=2\n");
    for (const auto& c : cases)
        ini->WriteString(IniSections::Commands, QString::fromLatin1(c.key),
                         IniCommandEntry::keptForm(now - c.finishedDaysAgo, c.status,
                                                   c.status.isEmpty() ? QStringLiteral("q:/x") : QStringLiteral("q:/y")));

    tick();

    for (const auto& c : cases)
        EXPECT_EQ(ini->KeyExists(IniSections::Commands, QString::fromLatin1(c.key)), !c.pruned) << c.key;
}

TEST_F(CommandSectionLimitTest, EntryIsKeptDoneWithTheTimeItFinishedAndPrunedWhenThatIsOld)
{
    ini->WriteString(IniSections::Commands, QStringLiteral("c"), QStringLiteral("q:/set?scope=S&name=k&value=1"));

    tick();
    EXPECT_EQ(value(QStringLiteral("c")),
              QStringLiteral("@2026-12-10 12:00:00|done|q:/set?scope=S&name=k&value=1"));

    Clock::advance(7 * kDay - 1000);
    tick();
    EXPECT_TRUE(ini->KeyExists(IniSections::Commands, QStringLiteral("c"))) << "its writer may still read it";

    Clock::advance(2000);
    tick();
    EXPECT_FALSE(ini->KeyExists(IniSections::Commands, QStringLiteral("c")));
}

// Below one day a writer could miss the outcome; a number out of range keeps the default week.
TEST_F(CommandSectionLimitTest, RetentionBelowOneDayKeepsFinishedEntriesADay)
{
    for (const QByteArray& days : {QByteArray("0"), QByteArray("-5"), QByteArray("99999999999")}) {
        SCOPED_TRACE(days.constData());
        writeSection({{QStringLiteral("young"),
                       IniCommandEntry::keptForm(now - 0.5, IniCommandEntry::kDoneStatus, QStringLiteral("q:/y"))},
                      {QStringLiteral("old"),
                       IniCommandEntry::keptForm(now - 30.0, IniCommandEntry::kDoneStatus, QStringLiteral("q:/y"))}},
                     "data_retention_days=" + days + "\n");
        tick();
        EXPECT_TRUE(ini->KeyExists(IniSections::Commands, QStringLiteral("young")));
        EXPECT_FALSE(ini->KeyExists(IniSections::Commands, QStringLiteral("old")));
    }
}

TEST_F(CommandSectionLimitTest, PruningErasesAtMostABoundedNumberOfEntriesPerTick)
{
    QList<Piece> pieces;
    const int count = CommandProcessor::kMaxPrunedPerTick + 5;
    for (int i = 0; i < count; ++i)
        pieces.append({QStringLiteral("old%1").arg(i),
                       IniCommandEntry::keptForm(now - 30.0, IniCommandEntry::kDoneStatus, QStringLiteral("q:/y"))});
    writeSection(pieces);

    tick();
    EXPECT_EQ(ini->GetSection(IniSections::Commands)->count(), 5);
    tick();
    EXPECT_FALSE(ini->SectionExists(IniSections::Commands));
}

TEST_F(CommandSectionLimitTest, SectionNearingTheReadLimitIsReportedOnceWhileItStaysThere)
{
    writeSection(fillers(CommandProcessor::kSectionWarningSize - 1));
    tick();
    EXPECT_EQ(linesStartingWith(QStringLiteral("COMMANDS section nears"), Trace::WarningSeverity), 0);

    ini->WriteString(IniSections::Commands, QStringLiteral("one"), QStringLiteral("@2026-12-10 11:00:00|done|q:/y"));
    tick();
    tick();
    EXPECT_EQ(linesStartingWith(QStringLiteral("COMMANDS section nears"), Trace::WarningSeverity), 1);

    ini->EraseKey(IniSections::Commands, QStringLiteral("one"));
    tick();
    ini->WriteString(IniSections::Commands, QStringLiteral("one"), QStringLiteral("@2026-12-10 11:00:00|done|q:/y"));
    tick();
    EXPECT_EQ(linesStartingWith(QStringLiteral("COMMANDS section nears"), Trace::WarningSeverity), 2);
}
