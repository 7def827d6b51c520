#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "components/StandardLogger.h"
#include "platform/Clock.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QStringList readLines(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

TEST(StandardLoggerTest, WritesTimeSeverityAndTextToAFileNamedAfterTheLogName)
{
    StandardLogger logger;
    logger.setLogName(QStringLiteral("pcQUIBA-format"));
    EXPECT_EQ(logger.fileName(), TestEnvironment::root() + QStringLiteral("/logs/pcQUIBA-format.log"));
    QFile::remove(logger.fileName());

    logger.log(Variant(u"CALL: API.Basket()"), 1);
    logger.log(Variant(u" *** pcQUBIA is Busy"), 4);

    const QStringList lines = readLines(logger.fileName());
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression form(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (\d) (.*)$)"));
    const auto first = form.match(lines[0]);
    ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("1"));
    EXPECT_EQ(first.captured(2), QStringLiteral("CALL: API.Basket()"));
    EXPECT_EQ(form.match(lines[1]).captured(2), QStringLiteral(" *** pcQUBIA is Busy"));
}

TEST(StandardLoggerTest, ALoggedTextNeverStartsANewLine)
{
    StandardLogger logger;
    logger.setLogName(QStringLiteral("pcQUIBA-breaks"));
    QFile::remove(logger.fileName());

    logger.log(Variant(u"EVENT: GetData(Card\r\n2026-12-10 04:39:47.285 4 forged)"), 1);
    logger.log(Variant::null(), 1);

    QFile file(logger.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    ASSERT_EQ(lines.size(), 3); // two lines, each ended
    EXPECT_EQ(lines[0].section(u' ', 2), QStringLiteral("1 EVENT: GetData(Card⏎2026-12-10 04:39:47.285 4 forged)"));
    // Null is written as concatenation writes it: nothing.
    EXPECT_EQ(lines[1].section(u' ', 2), QStringLiteral("1 "));
    EXPECT_TRUE(lines[2].isEmpty());
}

TEST(StandardLoggerTest, ThresholdFiltersSeverities)
{
    struct Case {
        qint32 threshold;
        QList<qint32> written;
    };
    const Case cases[] = {
        {StandardLogger::kDefaultThreshold, {1, 2, 4, 5}},
        {0, {0, 1, 2, 4, 5}},
        {4, {4, 5}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.threshold);
        StandardLogger logger;
        logger.setLogName(QStringLiteral("threshold-%1").arg(testCase.threshold));
        logger.setThreshold(testCase.threshold);
        QFile::remove(logger.fileName());
        for (qint32 severity : {0, 1, 2, 4, 5})
            logger.log(Variant(QStringLiteral("line %1").arg(severity)), severity);

        QList<qint32> written;
        for (const QString& line : readLines(logger.fileName()))
            written.append(line.section(u' ', 2, 2).toInt());
        EXPECT_EQ(written, testCase.written);
    }
}

TEST(StandardLoggerTest, KeepsTodaysLinesInItsFileAndMovesTheDayBeforeAside)
{
    StandardLogger logger;
    logger.setLogName(QStringLiteral("pcQUIBA-days"));
    const QString dated = TestEnvironment::root() + QStringLiteral("/logs/pcQUIBA-days-2026-12-10.log");
    QFile::remove(logger.fileName());
    QFile::remove(dated);

    Clock::set(QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59)));
    logger.log(Variant(u"late"), 1);
    Clock::advance(1000);
    logger.log(Variant(u"early"), 1);
    Clock::reset();

    const QStringList before = readLines(dated);
    ASSERT_EQ(before.size(), 1);
    EXPECT_EQ(before[0], QStringLiteral("2026-12-10 23:59:59.000 1 late"));
    EXPECT_EQ(readLines(logger.fileName()), QStringList{QStringLiteral("2026-12-11 00:00:00.000 1 early")});
}

TEST(StandardLoggerTest, WrittenLinesOfSeverityThreeAndAboveAlsoGoToTheJournal)
{
    QTemporaryFile journalFile;
    ASSERT_TRUE(journalFile.open());
    struct stat status {};
    ASSERT_EQ(fstat(journalFile.handle(), &status), 0);
    StandardLogger logger;
    logger.setLogName(QStringLiteral("pcQUIBA-journal"));
    logger.setJournal(JournalStream(journalFile.handle(), QByteArray::number(qulonglong(status.st_dev)) + ':' +
                                                             QByteArray::number(qulonglong(status.st_ino))));
    logger.setThreshold(4);
    for (qint32 severity : {0, 1, 2, 3, 4, 5, 6})
        logger.log(Variant(QStringLiteral("line %1").arg(severity)), severity);
    logger.setThreshold(0);
    logger.log(Variant(u"line 3 again"), 3);

    QFile journal(journalFile.fileName());
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    // Below the threshold nothing is written, to the file or the journal.
    EXPECT_EQ(QString::fromUtf8(journal.readAll()), QStringLiteral("<3>line 4\n<3>line 5\n<3>line 6\n<4>line 3 again\n"));
}

TEST(StandardLoggerTest, BeforeALogNameIsSetItWritesToTheProgramsLog)
{
    StandardLogger logger;
    EXPECT_EQ(logger.fileName(), TestEnvironment::root() + QStringLiteral("/logs/pcQUIBA.log"));
}

TEST(StandardLoggerTest, AnUnwritableLogFolderDropsTheLineAndGoesOn)
{
    const QString root = qEnvironmentVariable("PCQUIBA_ROOT");
    const QString blocker = TestEnvironment::root() + QStringLiteral("/blocked-root");
    ASSERT_TRUE(TestFiles::write(blocker, {}));
    qputenv("PCQUIBA_ROOT", blocker.toLocal8Bit());

    StandardLogger logger;
    logger.log(Variant(u"dropped"), 4);
    logger.log(Variant(u"dropped too"), 4);
    EXPECT_FALSE(QFile::exists(logger.fileName()));

    qputenv("PCQUIBA_ROOT", root.toLocal8Bit());
}

} // namespace
