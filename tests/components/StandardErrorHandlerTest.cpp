#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "components/StandardErrorHandler.h"
#include "platform/Clock.h"

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

TEST(StandardErrorHandlerTest, KeepsTheStackOfEnteredProcedures)
{
    StandardErrorHandler handler;
    handler.enterProcedure(QStringLiteral("Sub Main"), QStringLiteral("modMain"), 0);
    handler.enterProcedure(QStringLiteral("Function ErrText"), QStringLiteral("modMain"), 0);
    EXPECT_EQ(handler.procedureStack(),
              (QStringList{QStringLiteral("modMain.Sub Main"), QStringLiteral("modMain.Function ErrText")}));
    handler.leaveProcedure();
    handler.leaveProcedure();
    handler.leaveProcedure(); // one leave too many is harmless
    EXPECT_TRUE(handler.procedureStack().isEmpty());
}

TEST(StandardErrorHandlerTest, AppendsEachRecordedErrorToErrorLogInTheLogsFolder)
{
    StandardErrorHandler handler;
    handler.initialise(nullptr, QStringLiteral("error.log"), 2);
    EXPECT_EQ(handler.logFileName(), TestEnvironment::root() + QStringLiteral("/logs/error.log"));
    QFile::remove(handler.logFileName());

    handler.enterProcedure(QStringLiteral("Sub Main"), QStringLiteral("modMain"), 0);
    handler.enterProcedure(QStringLiteral("Function Count"), QStringLiteral("Basket"), 0);
    handler.recordError(AutomationError(11, QStringLiteral("pcQUIBA"), QStringLiteral("Division by zero")), 0,
                        QStringLiteral("Function Count"), QStringLiteral("Basket"));
    handler.recordError(AutomationError(6, QStringLiteral("pcQUIBA"), QStringLiteral("Overflow")), 0,
                        QStringLiteral("Function Count"), QStringLiteral("Basket"));

    const QStringList lines = readAll(handler.logFileName()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList fields = lines.first().split(QStringLiteral(" | "));
    ASSERT_EQ(fields.size(), 8);
    EXPECT_TRUE(QDateTime::fromString(fields[0], QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).isValid());
    EXPECT_EQ(fields.mid(1), (QStringList{QStringLiteral("11"), QStringLiteral("Division by zero"),
                                          QStringLiteral("Function Count"), QStringLiteral("Basket"),
                                          QStringLiteral("line 0"), QStringLiteral("pcQUIBA"),
                                          QStringLiteral("modMain.Sub Main > Basket.Function Count")}));
    // The last recorded error stays readable after leaving.
    handler.leaveProcedure();
    EXPECT_EQ(handler.errorNumber(), 6);
    EXPECT_EQ(handler.errorDescription(), QStringLiteral("Overflow"));
}

TEST(StandardErrorHandlerTest, KeepsTodaysErrorsInErrorLogAndMovesTheDayBeforeAside)
{
    StandardErrorHandler handler;
    handler.initialise(nullptr, QStringLiteral("error-days.log"), 2);
    const QString dated = TestEnvironment::root() + QStringLiteral("/logs/error-days-2026-12-10.log");
    QFile::remove(handler.logFileName());
    QFile::remove(dated);
    const AutomationError overflow(6, QStringLiteral("pcQUIBA"), QStringLiteral("Overflow"));

    Clock::set(QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59)));
    handler.recordError(overflow, 0, QStringLiteral("Function Count"), QStringLiteral("Basket"));
    Clock::advance(1000);
    handler.recordError(overflow, 0, QStringLiteral("Function Count"), QStringLiteral("Basket"));
    Clock::reset();

    EXPECT_TRUE(readAll(dated).startsWith(QStringLiteral("2026-12-10 23:59:59.000 | 6 | Overflow")));
    EXPECT_TRUE(readAll(handler.logFileName()).startsWith(QStringLiteral("2026-12-11 00:00:00.000 | 6 | Overflow")));
    EXPECT_EQ(readAll(handler.logFileName()).count(u'\n'), 1);
}

TEST(StandardErrorHandlerTest, ADescriptionWithLineBreaksStaysOnItsOwnLine)
{
    StandardErrorHandler handler;
    handler.initialise(nullptr, QStringLiteral("error-breaks.log"), 2);
    QFile::remove(handler.logFileName());
    handler.recordError(AutomationError(5, QStringLiteral("engine"), QStringLiteral("first\r\nsecond\nthird")), 0,
                        QStringLiteral("Sub Show"), QStringLiteral("UserInterface"));

    const QStringList lines = readAll(handler.logFileName()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.first().section(QStringLiteral(" | "), 2, 2), QStringLiteral("first⏎second⏎third"));
    // The handler still answers with the description as it was raised.
    EXPECT_EQ(handler.errorDescription(), QStringLiteral("first\r\nsecond\nthird"));
}

TEST(StandardErrorHandlerTest, AnUnwritableLogFolderDropsTheLineAndGoesOn)
{
    QTemporaryDir folder;
    const QString blocker = folder.filePath(QStringLiteral("not-a-folder"));
    ASSERT_TRUE(TestFiles::write(blocker, {}));

    StandardErrorHandler handler;
    handler.initialise(nullptr, blocker + QStringLiteral("/error.log"), 2);
    handler.recordError(AutomationError(5, {}, QStringLiteral("Invalid procedure call or argument")), 0,
                        QStringLiteral("Sub X"), QStringLiteral("modMain"));
    EXPECT_EQ(handler.errorNumber(), 5);
    EXPECT_FALSE(QFile::exists(blocker + QStringLiteral("/error.log")));
}

} // namespace
