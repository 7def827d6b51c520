#include "platform/Ansi.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiTest, EveryCodeRoundTrips)
{
    QByteArray bytes;
    for (int code = 0; code < 256; ++code)
        bytes.append(char(code));
    const QString text = Ansi::toUnicode(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Ansi::fromUnicode(text), bytes);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(Ansi::code(Ansi::character(quint8(code))), code) << code;
}

TEST(AnsiTest, CodesMapToTheirWindows1252Characters)
{
    const struct {
        quint8 code;
        char16_t character;
    } cases[] = {
        {0x00, 0x0000}, {0x41, u'A'},    {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160},
        {0x8D, 0x008D}, {0x8F, 0x008F},  {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122}, {0x9D, 0x009D},
        {0x9F, 0x0178}, {0xA0, 0x00A0},  {0xA3, 0x00A3}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Ansi::character(c.code), QChar(c.character)) << int(c.code);
        EXPECT_EQ(Ansi::code(QChar(c.character)), c.code) << int(c.code);
    }
}

TEST(AnsiTest, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const struct {
        const char16_t* text;
        const char* bytes;
    } cases[] = {
        {u"\u0080", "?"},           // the C1 control whose code 0x80 holds the euro sign
        {u"\u009E", "?"},
        {u"\u0100", "?"},
        {u"\u20AD", "?"},
        {u"a\u4E2Db", "a?b"},
        {u"\U0001F600", "??"},      // one UTF-16 unit each, so positions stay aligned
        {u"\u20AC5", "\x80" "5"},
        {u"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ansi::fromUnicode(QString::fromUtf16(c.text)), QByteArray(c.bytes)) << utf8(c.text);
}

} // namespace
