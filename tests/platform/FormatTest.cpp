#include "platform/Format.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    Variant value;
    const char16_t* pattern;
    const char16_t* expected;
};

void expectFormats(const std::vector<FormatCase>& cases)
{
    for (const FormatCase& c : cases) {
        EXPECT_EQ(Format::format(c.value, QString::fromUtf16(c.pattern)), QString::fromUtf16(c.expected))
            << utf8(c.pattern) << " on " << utf8(c.value.isString() ? c.value.stringValue() : c.value.typeName());
    }
}

TEST(FormatTest, DigitPlaceholdersPointAndGrouping)
{
    expectFormats({
        {Variant(qint32(7)), u"0000", u"0007"},
        {Variant(1.5), u"0.00", u"1.50"},
        {Variant(qint32(1234567)), u"#,##0", u"1,234,567"},
        {Variant(qint32(0)), u"#,##0", u"0"},
        {Variant(qint32(123)), u"#,##0", u"123"},
        {Variant(1234.5), u"#,##0.00", u"1,234.50"},
        {Variant(-1234.5), u"#,##0.0", u"-1,234.5"},
        {Variant(qint32(1234567)), u"0", u"1234567"},
        {Variant(0.5), u"#.00", u".50"},
        {Variant(qint32(5)), u"#.##", u"5."},
        {Variant(1.5), u"0.##", u"1.5"},
        {Variant(1.25), u"0.0#", u"1.25"},
        {Variant(1.2), u"0.0#", u"1.2"},
        {Variant(qint32(5)), u"#", u"5"},
        {Variant(qint32(0)), u"#", u""},
        {Variant(qint32(5)), u"#0#", u"05"},
        {Variant(qint32(123456)), u"00-00", u"1234-56"},
        {Variant(qint32(5)), u"00-00", u"00-05"},
        {Variant(qint32(1234567)), u"#,##0,", u"1,235"},
        {Variant(qint32(1234567)), u"0,,.0", u"1.2"},
        {Variant(qint32(5)), u"\"none\"", u"none"},
        {Variant(0.25), u"0%", u"25%"},
        {Variant(0.1234), u"0.0%", u"12.3%"},
        {Variant(1e20), u"0", u"100000000000000000000"},
        {Variant(12.5), u".0", u"12.5"},
    });
}

TEST(FormatTest, RoundsHalfAwayFromZeroOnTheDecimalValue)
{
    expectFormats({
        {Variant(2.5), u"0", u"3"},
        {Variant(-2.5), u"0", u"-3"},
        {Variant(0.5), u"0", u"1"},
        {Variant(0.125), u"0.00", u"0.13"},
        {Variant(1.005), u"0.00", u"1.01"},
        {Variant(999.96), u"#,##0.0", u"1,000.0"},
        {Variant(-0.001), u"0.00", u"0.00"},
        {Variant::fromCurrency(12345), u"0.000", u"1.235"},
        {Variant::fromCurrency(-12345), u"0.00", u"-1.23"},
        {Variant(1.1f), u"0.000000", u"1.100000"},
        {Variant(true), u"0", u"-1"},
        {Variant(qint16(-32768)), u"#,##0", u"-32,768"},
    });
}

TEST(FormatTest, LiteralTextSignsAndSections)
{
    expectFormats({
        {Variant(qint32(5)), u"\"No. \"0", u"No. 5"},
        {Variant(qint32(5)), u"\\#0", u"#5"},
        {Variant(qint32(5)), u"0\\%", u"5%"},
        {Variant(qint32(5)), u"$0.00", u"$5.00"},
        {Variant(qint32(-5)), u"$0.00", u"-$5.00"},
        {Variant(qint32(5)), u"(0)", u"(5)"},
        {Variant(qint32(-5)), u"0;(0)", u"(5)"},
        {Variant(qint32(5)), u"0;(0)", u"5"},
        {Variant(qint32(0)), u"0;(0);\"zero\"", u"zero"},
        {Variant(qint32(-5)), u"0;;\"zero\"", u"-5"},
        {Variant(qint32(5)), u"\"a;b\"0", u"a;b5"},
        {Variant(qint32(5)), u"0 \"end", u"5 end"},
        // Letters in a number pattern are literal text, even those that name date fields.
        {Variant(qint32(5)), u"0 items", u"5 items"},
        {Variant(qint32(0)), u"# items", u" items"},
        {Variant(qint32(1234)), u"#,##0 days", u"1,234 days"},
        {Variant(2.5), u"0.0 hours", u"2.5 hours"},
        {Variant(qint32(-5)), u"0 sent;0 owed", u"5 owed"},
        {Variant(u"7"), u"00 ms", u"07 ms"},
    });
}

TEST(FormatTest, ScientificNotation)
{
    expectFormats({
        {Variant(qint32(1234567)), u"0.00E+00", u"1.23E+06"},
        {Variant(0.00012), u"0.0E+00", u"1.2E-04"},
        {Variant(0.00012), u"0.0E-00", u"1.2E-04"},
        {Variant(qint32(12)), u"0.0e-00", u"1.2e01"},
        {Variant(9.99), u"0.0E+00", u"1.0E+01"},
        {Variant(qint32(0)), u"0.0E+00", u"0.0E+00"},
        {Variant(-1234.0), u"0.0E+0", u"-1.2E+3"},
        {Variant(qint32(1234)), u"00.0E+00", u"12.3E+02"},
    });
}

TEST(FormatTest, NamedFormatsAndThePlainText)
{
    expectFormats({
        {Variant(1234.5), u"", u"1234.5"},
        {Variant(1e20), u"", u"1E+20"},
        {Variant(true), u"", u"True"},
        {Variant(1234.5), u"Standard", u"1,234.50"},
        {Variant(1234.5), u"fixed", u"1234.50"},
        {Variant(0.5), u"Percent", u"50.00%"},
        {Variant(1234.5), u"Scientific", u"1.23E+03"},
        {Variant(1234.5), u"General Number", u"1234.5"},
        {Variant(qint32(0)), u"Yes/No", u"No"},
        {Variant(qint32(3)), u"yes/no", u"Yes"},
        {Variant(true), u"True/False", u"True"},
        {Variant(qint32(0)), u"On/Off", u"Off"},
        {Variant::fromDate(45356.5), u"Short Date", u"05/03/2024"},
        {Variant::fromDate(45356.5), u"Long Date", u"5 March 2024"},
        {Variant::fromDate(45356.5), u"Medium Date", u"05-Mar-24"},
        {Variant::fromDate(45356.5), u"Medium Time", u"12:00 PM"},
        {Variant::fromDate(45356.5), u"General Date", u"05/03/2024 12:00:00"},
    });
}

TEST(FormatTest, DatePatterns)
{
    const Variant when = Variant::fromDate(DateValue::fromParts(2024, 3, 5, 13, 45, 10));
    expectFormats({
        {when, u"YYYYMMDDHHNNSS", u"20240305134510"},
        {when, u"yyyy-mm-dd", u"2024-03-05"},
        {when, u"dd/mm/yyyy hh:nn:ss", u"05/03/2024 13:45:10"},
        {when, u"d/m/yy", u"5/3/24"},
        {when, u"hh:mm", u"13:45"},
        {when, u"h:m:s", u"13:45:10"},
        {when, u"HHMM", u"1345"},
        {when, u"mm hh", u"03 13"},
        {when, u"mmmm", u"March"},
        {when, u"MMM", u"Mar"},
        {when, u"dddd", u"Tuesday"},
        {when, u"ddd d", u"Tue 5"},
        {when, u"hh:nn AM/PM", u"01:45 PM"},
        {when, u"h:nn am/pm", u"1:45 pm"},
        {when, u"h A/P", u"1 P"},
        {when, u"h a/p", u"1 p"},
        {when, u"h AMPM", u"1 PM"},
        {when, u"q y w ww", u"1 65 3 10"},
        {when, u"\"at\" hh\\h", u"at 13h"},
        {when, u"c", u"05/03/2024 13:45:10"},
        {when, u"ddddd", u"05/03/2024"},
        {when, u"dddddd", u"5 March 2024"},
        {when, u"ttttt", u"13:45:10"},
        {when, u"", u"05/03/2024 13:45:10"},
        {Variant::fromDate(DateValue::fromParts(2024, 3, 5, 0, 5, 0)), u"h:nn AM/PM", u"12:05 AM"},
        {Variant::fromDate(DateValue::fromParts(2024, 3, 5, 12, 0, 0)), u"hh AM/PM", u"12 PM"},
        {Variant::fromDate(DateValue::fromParts(2024, 1, 1)), u"ww w", u"1 2"},
        {Variant::fromDate(DateValue::fromParts(2024, 12, 31)), u"ww y", u"53 366"},
    });
}

TEST(FormatTest, DatesWrittenWithADatePatternReadBack)
{
    const double serials[] = {DateValue::fromParts(2024, 3, 5, 13, 45, 10), DateValue::fromParts(1899, 12, 29, 6, 0, 1),
                              DateValue::fromParts(9999, 12, 31, 23, 59, 59), DateValue::fromParts(2000, 2, 29, 0, 0, 1)};
    const char16_t* const patterns[] = {u"dd-mmm-yyyy hh:nn:ss", u"dd/mm/yyyy hh:nn:ss", u"yyyy-mm-dd hh:nn:ss",
                                        u"d mmmm yyyy h:nn:ss AM/PM", u"mmm d, yyyy hh:nn:ss"};
    for (const char16_t* pattern : patterns) {
        for (const double serial : serials) {
            const QString text = Format::format(Variant::fromDate(serial), QString::fromUtf16(pattern));
            const std::optional<double> read = DateValue::parse(text);
            ASSERT_TRUE(read.has_value()) << utf8(text);
            EXPECT_NEAR(*read, serial, 1e-9) << utf8(text);
        }
    }
}

TEST(FormatTest, ValuesAreShownAsWhatTheyStandFor)
{
    expectFormats({
        {Variant(u"7"), u"0000", u"0007"},
        {Variant(u" 1,234.5 "), u"0.00", u"1234.50"},
        {Variant(u"&HFF"), u"0", u"255"},
        {Variant(u"05/03/2024"), u"yyyy-mm-dd", u"2024-03-05"},
        {Variant(u"2024-03-05 13:45"), u"YYYYMMDDHHNN", u"202403051345"},
        {Variant(qint32(45356)), u"yyyy-mm-dd", u"2024-03-05"},
        {Variant(u"45356"), u"dd.mm.yyyy", u"05.03.2024"},
        {Variant::fromDate(1.5), u"0.00", u"1.50"},
        {Variant(u"abc"), u"0000", u"abc"},
        {Variant(u"abc"), u"yyyy", u"abc"},
        {Variant(u"abc"), u"", u"abc"},
        {Variant(), u"0.00", u""},
        {Variant::null(), u"0.00", u""},
    });
}

TEST(FormatTest, TextPatterns)
{
    expectFormats({
        {Variant(u"abcdef"), u"@@@-@@@", u"abc-def"},
        {Variant(u"ab"), u"@@@@", u"  ab"},
        {Variant(u"ab"), u"!@@@@", u"ab  "},
        {Variant(u"ab"), u"&&&&", u"ab"},
        {Variant(u"abcdef"), u"@@@", u"abcdef"},
        {Variant(u"abcdef"), u"!@@-@", u"ab-cdef"},
        {Variant(u"abc"), u">", u"ABC"},
        {Variant(u"ABC"), u"<&&&", u"abc"},
        {Variant(u"ab"), u"(@)", u"(ab)"},
    });
}

TEST(FormatTest, ValuesThatCannotBeFormattedRaise)
{
    const ObjectRef dictionary = std::make_shared<Dictionary>();
    EXPECT_EQ(raisedNumber([&] { Format::format(Variant(dictionary), QStringLiteral("0")); }), RuntimeErrors::TypeMismatch);
    EXPECT_EQ(raisedNumber([] { Format::format(Variant(VariantArray{}), QStringLiteral("0")); }), RuntimeErrors::TypeMismatch);
    EXPECT_EQ(raisedNumber([] { Format::format(Variant(1e10), QStringLiteral("yyyy")); }), RuntimeErrors::Overflow);
    EXPECT_EQ(raisedNumber([] { Format::format(Variant::null()); }), 0);
}

} // namespace
