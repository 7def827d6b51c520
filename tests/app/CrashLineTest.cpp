#include "app/CrashLine.h"
#include "common/ForkedChild.h"
#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "services/ProcedureFrame.h"
#include "services/ProcedureSlot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void throwUnexpected()
{
    throw std::runtime_error("nobody catches this");
}

// An exception that reaches a function that lets none pass ends the process as one that
// escapes the event loop does.
void escapeException() noexcept
{
    throwUnexpected();
}

// A real fault, even under UBSan, which would otherwise end the child itself before the signal.
__attribute__((no_sanitize("undefined"))) void writeThroughNull()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

TEST(CrashLineTest, ACrashLeavesOneLastLineWithTheSignalTheProcedureAndTheTime)
{
    const QString fileName = TestEnvironment::root() + u"/crash/error.log"_s;
    const struct {
        const char* name;
        void (*crash)();
        int signalNumber;
        const char* signalName;
        QByteArray before;
    } cases[] = {
        {"write through a null pointer", &writeThroughNull, SIGSEGV, "SIGSEGV", "2026-12-11 08:00:00.000 | 5 | earlier\n"},
        {"abort", [] { std::abort(); }, SIGABRT, "SIGABRT", ""},
        {"an exception that escapes", &escapeException, SIGABRT, "SIGABRT", ""},
        {"after a torn line", [] { ::raise(SIGBUS); }, SIGBUS, "SIGBUS", "2026-12-11 08:00:00.000 | 5 | tor"},
    };
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    for (const auto& c : cases) {
        QFile::remove(fileName);
        if (!c.before.isEmpty())
            TestFiles::write(fileName, c.before);
        const long long before = ::time(nullptr);
        ForkedChild child([&c, &fileName] {
            ProcedureSlot::claimForThisThread();
            ProcedureFrame outer(u"Sub Main"_s, u"modMain"_s);
            ProcedureFrame frame(u"Function Commit"_s, u"Basket"_s);
            CrashLine::install(fileName);
            c.crash();
        });
        ASSERT_GT(child.pid(), 0) << c.name;
        const int status = child.wait();
        const long long after = ::time(nullptr);
        // The process still dies of its signal.
        ASSERT_TRUE(WIFSIGNALED(status)) << c.name << ": " << status;
        EXPECT_EQ(WTERMSIG(status), c.signalNumber) << c.name;

        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
        const QString text = QString::fromUtf8(file.readAll());
        const QString earlier = QString::fromUtf8(c.before) + (c.before.endsWith('\n') || c.before.isEmpty() ? u""_s : u"\n"_s);
        ASSERT_TRUE(text.startsWith(earlier)) << c.name << ": " << text.toStdString();
        static const QRegularExpression line(uR"(^(\d+) \| (\d+) \| Crash: signal (\d+) \((\w+)\) \| Basket\.Function Commit\n$)"_s);
        const auto match = line.match(text.mid(earlier.size()));
        ASSERT_TRUE(match.hasMatch()) << c.name << ": " << text.toStdString();
        EXPECT_GE(match.captured(1).toLongLong(), before) << c.name;
        EXPECT_LE(match.captured(1).toLongLong(), after) << c.name;
        EXPECT_EQ(match.captured(2).toInt(), c.signalNumber) << c.name;
        EXPECT_EQ(match.captured(3).toInt(), c.signalNumber) << c.name;
        EXPECT_EQ(match.captured(4), QString::fromLatin1(c.signalName)) << c.name;
    }
}

TEST(CrashLineTest, TheLineIsCutToItsBufferAndAlwaysEndsTheLine)
{
    char line[40];
    const std::size_t length = CrashLine::format(line, sizeof line, SIGSEGV, 1765440000, "AVeryLongClassName.Function AVeryLongProcedureName");
    EXPECT_EQ(length, sizeof line - 1);
    EXPECT_EQ(QByteArray(line), QByteArray("1765440000 | 11 | Crash: signal 11 (SI\n"));
    char whole[64];
    EXPECT_EQ(CrashLine::format(whole, sizeof whole, SIGABRT, 7, ""), std::strlen("7 | 6 | Crash: signal 6 (SIGABRT) | none\n"));
    EXPECT_EQ(QByteArray(whole), QByteArray("7 | 6 | Crash: signal 6 (SIGABRT) | none\n"));
}

} // namespace
