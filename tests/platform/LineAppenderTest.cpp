#include "common/TestEnvironment.h"
#include "platform/LineAppender.h"
#include "platform/TestHelpers.h"

#include <QFile>
#include <gtest/gtest.h>

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

} // namespace
