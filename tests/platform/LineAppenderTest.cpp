#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "platform/LineAppender.h"
#include "platform/TestHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(LineAppenderTest, EveryLineBreakBecomesOneVisibleMark)
{
    const struct {
        const char16_t* text;
        const char16_t* line;
    } cases[] = {
        {u"plain text", u"plain text"},
        {u"", u""},
        {u"a\nb", u"a⏎b"},
        {u"a\r\nb", u"a⏎b"},
        {u"a\rb", u"a⏎b"},
        {u"a\n\rb", u"a⏎⏎b"},
        {u"a\r\n\r\nb", u"a⏎⏎b"},
        {u"\nlead and trail\r", u"⏎lead and trail⏎"},
        {u"v\vf\fn\u0085l\u2028p\u2029", u"v⏎f⏎n⏎l⏎p⏎"},
        {u"tab\tstays", u"tab\tstays"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineAppender::oneLine(QString::fromUtf16(c.text)), QString::fromUtf16(c.line)) << utf8(c.text);
}

TEST(LineAppenderTest, AppendsATextWithBreaksAsOneLine)
{
    const QString fileName = TestEnvironment::root() + QStringLiteral("/appender/one-line.log");
    QFile::remove(fileName);
    ASSERT_TRUE(LineAppender::append(fileName, QStringLiteral("first\r\n2026-01-01 00:00:00.000 1 forged")));
    ASSERT_TRUE(LineAppender::append(fileName, QStringLiteral("second")));

    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("first⏎2026-01-01 00:00:00.000 1 forged\nsecond\n"));
}

// Appends the line in a child process whose files may grow only `room` bytes past the file's
// present size, as a nearly full disk allows: the writes past it fail. Returns the child's answer
// (1 written, 0 refused), or -1 when the child did not end normally.
int appendWithRoom(const QString& fileName, const QString& line, qint64 room)
{
    const qint64 size = QFileInfo(fileName).size();
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(size + room), rlim_t(size + room)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(2);
        ::_exit(LineAppender::append(fileName, line) ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(LineAppenderTest, ALineIsWrittenWholeOrNotAtAllAndATornLineIsClosedFirst)
{
    constexpr qint64 kPlenty = 1 << 20;
    const struct {
        const char* name;
        QByteArray before;
        qint64 room;
        int answer;
        QByteArray after;
    } cases[] = {
        {"fits", "old\n", kPlenty, 1, "old\nnew line\n"},
        {"room for part of it: cut back", "old\n", 4, 0, "old\n"},
        {"no room at all", "old\n", 0, 0, "old\n"},
        {"room for all but its end", "old\n", 8, 0, "old\n"},
        {"after a torn line: on a line of its own", "old\ntor", kPlenty, 1, "old\ntor\nnew line\n"},
        {"after a torn line, no room: the torn line stays as it was", "old\ntor", 5, 0, "old\ntor"},
        {"empty file", "", kPlenty, 1, "new line\n"},
    };
    const QString fileName = TestEnvironment::root() + QStringLiteral("/appender/limited.log");
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    for (const auto& c : cases) {
        QFile::remove(fileName);
        TestFiles::write(fileName, c.before);
        EXPECT_EQ(appendWithRoom(fileName, QStringLiteral("new line"), c.room), c.answer) << c.name;
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
        EXPECT_EQ(file.readAll(), c.after) << c.name;
    }
}

} // namespace
