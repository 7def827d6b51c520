#include "config/IniFormat.h"

#include "fakes/ServiceFixture.h"
#include "platform/DateValue.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct FormatCase {
    Variant value;
    QString pattern;
    QString expected;
};

class IniFormatTest : public ServiceFixture {};

TEST_F(IniFormatTest, ZFormatMapsLettersToValuePositionsOrAppliesTheFormatPattern)
{
    const Variant date = Variant::fromDate(DateValue::fromParts(2024, 3, 5, 14, 7, 9));
    const FormatCase cases[] = {
        {u"ABCDEFGH"_s, u"~abcd-efgh"_s, u"ABCD-EFGH"_s},
        {u"ABCDEFGH"_s, u"~hgfe dcba"_s, u"HGFE DCBA"_s},
        {u"ABCDEFGH"_s, QString(), u"ABCDEFGH"_s},
        {u"ABC"_s, u"~zzz-z"_s, u"ABC-"_s},
        {u"ABC"_s, u"~y"_s, QString()},
        {u"abc"_s, u"~A-b"_s, u"A-b"_s},
        {u"ABC"_s, u"~"_s, QString()},
        {u"00-1A-2B-3C-4D-5E"_s, u"~abdeghjkmnpq"_s, u"001A2B3C4D5E"_s},
        {qint32(1234), u"~dcba"_s, u"4321"_s},
        {qint32(42), u"000000"_s, u"000042"_s},
        {date, u"YYYYMMDDHHNNSS"_s, u"20240305140709"_s},
        {date, u"yyyy-mm-dd"_s, u"2024-03-05"_s},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        EXPECT_EQ(IniFormat::zFormat(c.value, c.pattern), c.expected);
    }
}

TEST_F(IniFormatTest, ZFormatIpZeroFillsFourPartsAndMapsPartsToWxyz)
{
    const FormatCase cases[] = {
        {u"10.1.2.3"_s, u"~w-x-y-z-c"_s, u"10-1-2-3-0"_s},
        {u"10.1.2.3"_s, u"~abcdefghijklmnopqrstuv"_s, u"010.001.002.003"_s},
        {u"192.168.0.7"_s, u"~abc"_s, u"192"_s},
        {u"192.168.0.7"_s, u"~z.y:w"_s, u"7.0:192"_s},
        {u"192.168.0.7"_s, QString(), u"192.168.0.7"_s},
        {u"010.001.000.003"_s, u"~w x y z"_s, u"10 1 0 3"_s},
        {u"1234.1.2.3"_s, u"~abcdw"_s, u"12341234"_s},
        {u"10.1.2"_s, u"~abc-w-z"_s, u"10.-10-"_s},
        {QString(), u"~aw-"_s, u"-"_s},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE((c.value.toString() + u" "_s + c.pattern).toStdString());
        EXPECT_EQ(IniFormat::zFormatIP(c.value.toString(), c.pattern), c.expected);
    }
}

TEST_F(IniFormatTest, BothAnnounceThemselvesAsZFormat)
{
    IniFormat::zFormat(u"A"_s, u"~a"_s);
    IniFormat::zFormatIP(u"10.0.0.1"_s, u"~w"_s);
    EXPECT_EQ(errorHandler->events, QStringList({u"enter modINIConstants.Function zFormat"_s, u"leave"_s,
                                                 u"enter modINIConstants.Function zFormat"_s, u"leave"_s}));
}

} // namespace
