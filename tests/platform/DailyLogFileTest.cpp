#include "common/SmallFileSystem.h"
#include "common/TestFiles.h"
#include "platform/Clock.h"
#include "platform/DailyLogFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QDateTime at(int day, const QString& time)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(time, QStringLiteral("hh:mm:ss")));
}

// A line as the logger writes it: the moment's date and time first.
QString line(const QDateTime& moment, const QString& text)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) + QStringLiteral(" 1 ") + text;
}

// A logs folder of its own, the clock fixed, no kept days yet.
class DailyLogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        folder = m_folder.path();
        fileName = folder + QStringLiteral("/pcQUIBA.log");
        DailyLogFile::forgetKeptDays();
    }

    void TearDown() override
    {
        DailyLogFile::forgetKeptDays();
        Clock::reset();
    }

    // Writes one line at the moment through the file, as the logger does.
    bool write(DailyLogFile& log, const QDateTime& moment, const QString& text)
    {
        Clock::set(moment);
        return log.append(moment, line(moment, text));
    }

    QString dated(int day) const { return folder + QStringLiteral("/pcQUIBA-2026-12-%1.log").arg(day, 2, 10, QChar(u'0')); }

    QStringList files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QString folder;
    QString fileName;

private:
    QTemporaryDir m_folder;
};

TEST_F(DailyLogFileTest, TheFirstLineOfANewDayMovesTheDayBeforeAside)
{
    DailyLogFile log(fileName);
    ASSERT_TRUE(write(log, at(10, "08:00:00"), "morning"));
    ASSERT_TRUE(write(log, at(10, "23:59:59"), "last of the day"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("pcQUIBA.log")});

    ASSERT_TRUE(write(log, at(11, "00:00:01"), "first of the next"));

    EXPECT_EQ(files(), (QStringList{QStringLiteral("pcQUIBA-2026-12-10.log"), QStringLiteral("pcQUIBA.log")}));
    EXPECT_EQ(readAll(dated(10)), line(at(10, "08:00:00"), "morning") + u'\n' +
                                      line(at(10, "23:59:59"), "last of the day") + u'\n');
    EXPECT_EQ(readAll(fileName), line(at(11, "00:00:01"), "first of the next") + u'\n');
}

TEST_F(DailyLogFileTest, AStartOnALaterDayMovesTheFileOfTheLastRunAsideUnderItsOwnDay)
{
    {
        DailyLogFile earlier(fileName);
        ASSERT_TRUE(write(earlier, at(7, "10:00:00"), "last run"));
    }
    DailyLogFile log(fileName);
    ASSERT_TRUE(write(log, at(10, "09:00:00"), "this run"));

    EXPECT_EQ(readAll(dated(7)), line(at(7, "10:00:00"), "last run") + u'\n');
    EXPECT_EQ(readAll(fileName), line(at(10, "09:00:00"), "this run") + u'\n');
}

TEST_F(DailyLogFileTest, ADayAlreadyMovedAsideGetsTheNewLinesAddedAndLosesNone)
{
    ASSERT_TRUE(TestFiles::write(dated(10), line(at(10, "01:00:00"), "moved before").toUtf8() + '\n'));
    ASSERT_TRUE(TestFiles::write(fileName, line(at(10, "02:00:00"), "written after").toUtf8() + '\n'));
    DailyLogFile log(fileName);

    ASSERT_TRUE(write(log, at(11, "00:00:00"), "next day"));

    EXPECT_EQ(readAll(dated(10)), line(at(10, "01:00:00"), "moved before") + u'\n' +
                                      line(at(10, "02:00:00"), "written after") + u'\n');
    EXPECT_EQ(readAll(fileName), line(at(11, "00:00:00"), "next day") + u'\n');
}

TEST_F(DailyLogFileTest, ADayThatCannotBeAddedToTheDayMovedAsideStaysWhereItIs)
{
    SmallFileSystem disk(folder);
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    // A whole page: adding to it needs a block the full disk does not have.
    QByteArray movedBefore = line(at(10, "01:00:00"), "moved before ").toUtf8();
    movedBefore += QByteArray(4095 - movedBefore.size(), '.') + '\n';
    const QByteArray writtenAfter = line(at(10, "02:00:00"), "written after").toUtf8() + '\n';
    ASSERT_TRUE(TestFiles::write(dated(10), movedBefore));
    ASSERT_TRUE(TestFiles::write(fileName, writtenAfter));
    ASSERT_TRUE(disk.fill());
    DailyLogFile log(fileName);

    // The file keeps its lines, and the new one, until a later day change finds room.
    ASSERT_TRUE(write(log, at(11, "00:00:00"), "next day"));

    EXPECT_EQ(readAll(fileName), QString::fromUtf8(writtenAfter) + line(at(11, "00:00:00"), "next day") + u'\n');
    EXPECT_EQ(readAll(dated(10)).toUtf8(), movedBefore);
}

TEST_F(DailyLogFileTest, AClockSetBackOrAFileWithoutADateLeavesTheFileWhereItIs)
{
    const struct {
        QByteArray content;
    } cases[] = {
        {line(at(12, "08:00:00"), "from a later day").toUtf8() + '\n'},
        {QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        ASSERT_TRUE(TestFiles::write(fileName, c.content));
        DailyLogFile log(fileName);
        ASSERT_TRUE(write(log, at(11, "08:00:00"), "now"));
        EXPECT_EQ(files(), QStringList{QStringLiteral("pcQUIBA.log")});
        EXPECT_TRUE(readAll(fileName).startsWith(QString::fromUtf8(c.content)));
        QFile::remove(fileName);
    }
}

TEST_F(DailyLogFileTest, DatedNamesKeepTheBaseAndTheSuffix)
{
    const struct {
        const char* file;
        const char* dated;
    } cases[] = {
        {"/r/logs/pcQUIBA.log", "/r/logs/pcQUIBA-2026-12-10.log"},
        {"/r/logs/error.log", "/r/logs/error-2026-12-10.log"},
        {"/r/logs/pcquiba-installer.log", "/r/logs/pcquiba-installer-2026-12-10.log"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DailyLogFile::datedName(QString::fromUtf8(c.file), QDate(2026, 12, 10)), QString::fromUtf8(c.dated));
}

TEST_F(DailyLogFileTest, RemovesOnlyDatedLogsOlderThanTheKeptDays)
{
    const struct {
        const char* name;
        bool kept;
    } cases[] = {
        {"pcQUIBA-2026-12-10.log", true},
        {"pcQUIBA-2026-12-04.log", true}, // 7 days old: kept for 7 days
        {"pcQUIBA-2026-12-03.log", false},
        {"error-2026-12-03.log", false},
        {"pcquiba-installer-2025-01-01.log", false},
        {"pcQUIBA.log", true},
        {"error.log", true},
        {"notes-2025-01-01.txt", true},
        {"pcQUIBA-2025-13-40.log", true}, // no date: not a dated log
        {"2025-01-01.log", true},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(TestFiles::write(folder + u'/' + QString::fromUtf8(c.name), "x\n"));

    DailyLogFile::removeExpired(folder, QDate(2026, 12, 11), 7);

    for (const auto& c : cases)
        EXPECT_EQ(QFile::exists(folder + u'/' + QString::fromUtf8(c.name)), c.kept) << c.name;
}

TEST_F(DailyLogFileTest, ADayChangeRemovesExpiredFilesOnlyOnceTheKeptDaysAreKnown)
{
    const QString old = folder + QStringLiteral("/error-2026-11-01.log");
    ASSERT_TRUE(TestFiles::write(old, "x\n"));
    DailyLogFile log(fileName);
    ASSERT_TRUE(write(log, at(9, "12:00:00"), "day 9"));
    ASSERT_TRUE(write(log, at(10, "12:00:00"), "day 10"));
    EXPECT_TRUE(QFile::exists(old)) << "before start-up read the setting, nothing is removed";

    DailyLogFile::keepDays(30, folder);
    EXPECT_FALSE(QFile::exists(old)) << "39 days old on day 10";
}

TEST_F(DailyLogFileTest, KeepDaysRemovesAtOnceAndAtEachDayChangeAndKeepsAtLeastADay)
{
    const struct {
        int days;
        QStringList left; // after keepDays on day 10, then a line on day 12
    } cases[] = {
        {2, {QStringLiteral("pcQUIBA-2026-12-10.log"), QStringLiteral("pcQUIBA-2026-12-11.log"),
             QStringLiteral("pcQUIBA.log")}},
        {0, {QStringLiteral("pcQUIBA-2026-12-11.log"), QStringLiteral("pcQUIBA.log")}},
        {-5, {QStringLiteral("pcQUIBA-2026-12-11.log"), QStringLiteral("pcQUIBA.log")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        for (const QString& name : files())
            QFile::remove(folder + u'/' + name);
        ASSERT_TRUE(TestFiles::write(dated(7), "x\n"));
        ASSERT_TRUE(TestFiles::write(dated(9), "x\n"));
        DailyLogFile log(fileName);
        ASSERT_TRUE(write(log, at(10, "12:00:00"), "day 10"));

        DailyLogFile::keepDays(c.days, folder);
        EXPECT_FALSE(QFile::exists(dated(7))) << "at start";

        ASSERT_TRUE(write(log, at(11, "12:00:00"), "day 11"));
        ASSERT_TRUE(write(log, at(12, "12:00:00"), "day 12"));
        EXPECT_EQ(files(), c.left);
    }
}

TEST_F(DailyLogFileTest, AFolderThatCannotBeWrittenDropsTheLineAndGoesOn)
{
    // A file where the folder should be: the same for root, unlike mode bits.
    const QString blocked = folder + QStringLiteral("/blocked");
    ASSERT_TRUE(TestFiles::write(blocked, "not a folder\n"));
    DailyLogFile::keepDays(7, blocked);
    DailyLogFile log(blocked + QStringLiteral("/pcQUIBA.log"));

    EXPECT_FALSE(write(log, at(10, "12:00:00"), "dropped"));
    EXPECT_FALSE(write(log, at(11, "12:00:00"), "dropped on the next day too"));
    EXPECT_EQ(readAll(blocked), QStringLiteral("not a folder\n"));
}

} // namespace
