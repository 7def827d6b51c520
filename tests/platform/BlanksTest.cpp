#include "platform/Blanks.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(BlanksTest, OnlyCode32IsTrimmed)
{
    const struct {
        const char16_t* text;
        const char16_t* both;
        const char16_t* left;
        const char16_t* right;
    } cases[] = {
        {u"  a b  ", u"a b", u"a b  ", u"  a b"},
        {u"", u"", u"", u""},
        {u"   ", u"", u"", u""},
        {u"a", u"a", u"a", u"a"},
        {u"\ta\t", u"\ta\t", u"\ta\t", u"\ta\t"},
        {u" \r\nx\r\n ", u"\r\nx\r\n", u"\r\nx\r\n ", u" \r\nx\r\n"},
        {u"\u00A0x\u00A0", u"\u00A0x\u00A0", u"\u00A0x\u00A0", u"\u00A0x\u00A0"},
        {u" \u3000 ", u"\u3000", u"\u3000 ", u" \u3000"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(Blanks::trim(text), QString::fromUtf16(c.both)) << utf8(c.text);
        EXPECT_EQ(Blanks::trimLeft(text), QString::fromUtf16(c.left)) << utf8(c.text);
        EXPECT_EQ(Blanks::trimRight(text), QString::fromUtf16(c.right)) << utf8(c.text);
    }
}

} // namespace
