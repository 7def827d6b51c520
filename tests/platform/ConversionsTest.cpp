#include "platform/Conversions.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

Variant anObject()
{
    return Variant(ObjectRef(std::make_shared<Dictionary>()));
}

Variant anArray()
{
    return Variant(VariantArray{Variant(qint32(1))});
}

TEST(ConversionsTest, TextOfEveryKindIsTheRuntimesForm)
{
    const struct {
        Variant value;
        const char16_t* expected;
    } cases[] = {
        {Variant(), u""},
        {Variant(true), u"True"},
        {Variant(false), u"False"},
        {Variant(qint16(-32768)), u"-32768"},
        {Variant(qint32(2147483647)), u"2147483647"},
        {Variant(1.5), u"1.5"},
        {Variant(0.5), u"0.5"},
        {Variant(-0.5), u"-0.5"},
        {Variant(100.0), u"100"},
        {Variant(-0.0), u"0"},
        {Variant(0.1 + 0.2), u"0.3"},
        {Variant(1.0 / 3.0), u"0.333333333333333"},
        {Variant(2.0 / 3.0), u"0.666666666666667"},
        {Variant(123456789012345.0), u"123456789012345"},
        {Variant(1e15), u"1E+15"},
        {Variant(1234567890123456.0), u"1.23456789012346E+15"},
        {Variant(1e20), u"1E+20"},
        {Variant(-1.5e100), u"-1.5E+100"},
        {Variant(0.0001), u"0.0001"},
        {Variant(1e-5), u"1E-05"},
        {Variant(1.5e-7), u"1.5E-07"},
        {Variant(0.1f), u"0.1"},
        {Variant(3.14159274f), u"3.141593"},
        {Variant(1234567.0f), u"1234567"},
        {Variant(1e7f), u"1E+07"},
        {Variant::fromCurrency(12345), u"1.2345"},
        {Variant::fromCurrency(15000), u"1.5"},
        {Variant::fromCurrency(10000), u"1"},
        {Variant::fromCurrency(-5000), u"-0.5"},
        {Variant::fromCurrency(0), u"0"},
        {Variant::fromCurrency(std::numeric_limits<qint64>::min()), u"-922337203685477.5808"},
        {Variant::fromDate(DateValue::fromParts(2024, 3, 5, 13, 45, 10)), u"05/03/2024 13:45:10"},
        {Variant::fromDate(DateValue::fromParts(2024, 3, 5)), u"05/03/2024"},
        {Variant::fromDate(0.5), u"12:00:00"},
        {Variant(u"  as is "), u"  as is "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Conversions::toText(c.value), QString::fromUtf16(c.expected)) << utf8(c.expected);
}

TEST(ConversionsTest, TextOfNullObjectOrArrayRaises)
{
    EXPECT_EQ(raisedNumber([] { Conversions::toText(Variant::null()); }), RuntimeErrors::InvalidUseOfNull);
    EXPECT_EQ(raisedNumber([] { Conversions::toText(anObject()); }), RuntimeErrors::TypeMismatch);
    EXPECT_EQ(raisedNumber([] { Conversions::toText(anArray()); }), RuntimeErrors::TypeMismatch);
}

TEST(ConversionsTest, NumericTextIsReadAsTheRuntimeReadsIt)
{
    const struct {
        const char16_t* text;
        double expected;
    } cases[] = {
        {u"12", 12},
        {u"  12  ", 12},
        {u"\t12\r\n", 12},
        {u"+5", 5},
        {u"-5", -5},
        {u"1.5", 1.5},
        {u".5", 0.5},
        {u"5.", 5},
        {u"007", 7},
        {u"1e3", 1000},
        {u"1E+3", 1000},
        {u"1.5e-2", 0.015},
        {u"1D2", 100},
        {u"1,000", 1000},
        {u"1,234,567.5", 1234567.5},
        {u"1,2", 12},
        {u"12-", -12},
        {u"12+", 12},
        {u"(12)", -12},
        {u"1e-400", 0},
        {u"&HFF", 255},
        {u"&hff", 255},
        {u" &H1F ", 31},
        {u"&HFFFF", -1},
        {u"&H8000", -32768},
        {u"&H0000FFFF", -1},
        {u"&H10000", 65536},
        {u"&H7FFFFFFF", 2147483647},
        {u"&H80000000", -2147483648.0},
        {u"&HFFFFFFFF", -1},
        {u"&O17", 15},
        {u"&o177777", -1},
        {u"&O37777777777", -1},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const std::optional<double> number = Conversions::parseNumber(text);
        ASSERT_TRUE(number.has_value()) << utf8(c.text);
        EXPECT_DOUBLE_EQ(*number, c.expected) << utf8(c.text);
        EXPECT_TRUE(Conversions::isNumeric(Variant(text))) << utf8(c.text);
        EXPECT_DOUBLE_EQ(Conversions::toDouble(Variant(text)), c.expected) << utf8(c.text);
    }
}

TEST(ConversionsTest, TextThatIsNotOneNumberIsNotNumeric)
{
    const char16_t* const cases[] = {
        u"", u" ", u"abc", u"12abc", u"1 2", u"- 5", u"1e", u"1e+", u".", u"-", u"+", u"1.2.3", u",5",
        u"(-5)", u"(5", u"-5-", u"0x1F", u"$5", u"5%", u"&H", u"&HFG", u"&H-1", u"-&H1", u"&H100000000",
        u"&O8", u"1e400", u"True", u"05/03/2024",
    };
    for (const char16_t* text : cases) {
        EXPECT_FALSE(Conversions::parseNumber(QString::fromUtf16(text)).has_value()) << utf8(text);
        EXPECT_FALSE(Conversions::isNumeric(Variant(text))) << utf8(text);
    }
}

TEST(ConversionsTest, NumericTestOfEachKind)
{
    const struct {
        Variant value;
        bool numeric;
    } cases[] = {
        {Variant(), true},
        {Variant::null(), false},
        {Variant(true), true},
        {Variant(qint16(1)), true},
        {Variant(qint32(1)), true},
        {Variant(1.5f), true},
        {Variant(1.5), true},
        {Variant::fromCurrency(1), true},
        {Variant::fromDate(1.0), false},
        {anObject(), false},
        {anArray(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Conversions::isNumeric(c.value), c.numeric) << c.value.typeName().toStdString();
}

TEST(ConversionsTest, IntegerConversionsRoundHalfToEvenAndCheckTheirRange)
{
    enum Width { Integer, Long };
    const struct {
        Variant value;
        Width width;
        qint32 expected;
        qint32 error;
    } cases[] = {
        {Variant(2.5), Long, 2, 0},
        {Variant(3.5), Long, 4, 0},
        {Variant(-2.5), Integer, -2, 0},
        {Variant(-3.5), Integer, -4, 0},
        {Variant(0.5), Integer, 0, 0},
        {Variant(1.5), Integer, 2, 0},
        {Variant(2.6), Integer, 3, 0},
        {Variant(-2.4), Long, -2, 0},
        {Variant(u"2.5"), Integer, 2, 0},
        {Variant(u" 1,234 "), Integer, 1234, 0},
        {Variant(u"&HFFFF"), Integer, -1, 0},
        {Variant(u"&HFFFFFFFF"), Long, -1, 0},
        {Variant(true), Integer, -1, 0},
        {Variant(), Integer, 0, 0},
        {Variant(1.5f), Long, 2, 0},
        {Variant::fromDate(45356.75), Long, 45357, 0},
        {Variant::fromCurrency(25000), Integer, 2, 0},
        {Variant::fromCurrency(35000), Integer, 4, 0},
        {Variant::fromCurrency(-25000), Integer, -2, 0},
        {Variant::fromCurrency(25001), Integer, 3, 0},
        {Variant::fromCurrency(std::numeric_limits<qint64>::max()), Long, 0, RuntimeErrors::Overflow},
        {Variant(32767.4), Integer, 32767, 0},
        {Variant(-32768.5), Integer, -32768, 0},
        {Variant(32767.5), Integer, 0, RuntimeErrors::Overflow},
        {Variant(qint32(40000)), Integer, 0, RuntimeErrors::Overflow},
        {Variant(40000.0), Integer, 0, RuntimeErrors::Overflow},
        {Variant(u"40000"), Integer, 0, RuntimeErrors::Overflow},
        {Variant(2147483647.4), Long, 2147483647, 0},
        {Variant(2147483648.0), Long, 0, RuntimeErrors::Overflow},
        {Variant(-2147483648.0), Long, -2147483647 - 1, 0},
        {Variant(std::numeric_limits<double>::quiet_NaN()), Long, 0, RuntimeErrors::Overflow},
        {Variant(u"1e400"), Long, 0, RuntimeErrors::Overflow},
        {Variant(u"&H100000000"), Long, 0, RuntimeErrors::Overflow},
        {Variant(u"abc"), Integer, 0, RuntimeErrors::TypeMismatch},
        {Variant(u""), Long, 0, RuntimeErrors::TypeMismatch},
        {Variant::null(), Integer, 0, RuntimeErrors::InvalidUseOfNull},
        {anObject(), Long, 0, RuntimeErrors::TypeMismatch},
        {anArray(), Integer, 0, RuntimeErrors::TypeMismatch},
    };
    for (const auto& c : cases) {
        const std::string label = (c.value.isString() ? c.value.stringValue() : c.value.typeName()).toStdString();
        qint32 result = 0;
        const qint32 error = raisedNumber([&] {
            result = c.width == Integer ? Conversions::toInteger(c.value) : Conversions::toLong(c.value);
        });
        EXPECT_EQ(error, c.error) << label;
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected) << label;
        }
    }
}

TEST(ConversionsTest, RoundHalfEven)
{
    const struct {
        double value;
        double expected;
    } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-2.5, -2}, {-3.5, -4},
        {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7, 7}, {1e300, 1e300},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Conversions::roundHalfEven(c.value), c.expected) << c.value;
}

TEST(ConversionsTest, BooleanConversion)
{
    const struct {
        Variant value;
        bool expected;
        qint32 error;
    } cases[] = {
        {Variant(u"True"), true, 0},
        {Variant(u" tRUE "), true, 0},
        {Variant(u"false"), false, 0},
        {Variant(u"0"), false, 0},
        {Variant(u"-1"), true, 0},
        {Variant(u"0.1"), true, 0},
        {Variant(qint32(5)), true, 0},
        {Variant(0.0), false, 0},
        {Variant(), false, 0},
        {Variant::fromDate(0.5), true, 0},
        {Variant(u"yes"), false, RuntimeErrors::TypeMismatch},
        {Variant(u""), false, RuntimeErrors::TypeMismatch},
        {Variant::null(), false, RuntimeErrors::InvalidUseOfNull},
        {anObject(), false, RuntimeErrors::TypeMismatch},
    };
    for (const auto& c : cases) {
        bool result = !c.expected;
        EXPECT_EQ(raisedNumber([&] { result = Conversions::toBoolean(c.value); }), c.error) << c.value.typeName().toStdString();
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(ConversionsTest, SingleDoubleAndCurrencyConversions)
{
    EXPECT_DOUBLE_EQ(Conversions::toDouble(Variant(true)), -1.0);
    EXPECT_DOUBLE_EQ(Conversions::toDouble(Variant::fromCurrency(12345)), 1.2345);
    EXPECT_DOUBLE_EQ(Conversions::toDouble(Variant::fromDate(45356.5)), 45356.5);
    EXPECT_FLOAT_EQ(Conversions::toSingle(Variant(u"1.25")), 1.25f);
    EXPECT_EQ(raisedNumber([] { Conversions::toSingle(Variant(1e39)); }), RuntimeErrors::Overflow);

    const struct {
        Variant value;
        qint64 expected;
        qint32 error;
    } currencies[] = {
        {Variant(u"1.5"), 15000, 0},
        {Variant(1.2345), 12345, 0},
        {Variant(qint32(-3)), -30000, 0},
        {Variant::fromCurrency(7), 7, 0},
        {Variant(1e14), 1000000000000000000, 0},
        {Variant(1e15), 0, RuntimeErrors::Overflow},
        {Variant(u"cheap"), 0, RuntimeErrors::TypeMismatch},
    };
    for (const auto& c : currencies) {
        qint64 result = 0;
        EXPECT_EQ(raisedNumber([&] { result = Conversions::toCurrency(c.value); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(ConversionsTest, DateConversion)
{
    const double march5 = DateValue::fromParts(2024, 3, 5);
    const struct {
        Variant value;
        double expected;
        qint32 error;
    } cases[] = {
        {Variant(u"05/03/2024"), march5, 0},
        {Variant(u"2024-03-05 12:00"), march5 + 0.5, 0},
        {Variant(45356.5), 45356.5, 0},
        {Variant(qint32(-657434)), -657434, 0},
        {Variant::fromDate(march5), march5, 0},
        {Variant(true), -1, 0},
        {Variant(u"45356"), 0, RuntimeErrors::TypeMismatch},
        {Variant(u"31/02/2024"), 0, RuntimeErrors::TypeMismatch},
        {Variant(1e10), 0, RuntimeErrors::Overflow},
        {Variant(qint32(-657435)), 0, RuntimeErrors::Overflow},
        {Variant::null(), 0, RuntimeErrors::InvalidUseOfNull},
        {anArray(), 0, RuntimeErrors::TypeMismatch},
    };
    for (const auto& c : cases) {
        double result = 0;
        EXPECT_EQ(raisedNumber([&] { result = Conversions::toDate(c.value); }), c.error) << c.value.typeName().toStdString();
        if (c.error == 0) {
            EXPECT_DOUBLE_EQ(result, c.expected);
        }
    }
}

TEST(ConversionsTest, ValReadsTheLeadingNumber)
{
    const struct {
        const char16_t* text;
        double expected;
    } cases[] = {
        {u"12abc", 12},
        {u" 1 2 3", 123},
        {u"\t1\n2", 12},
        {u"&H1F", 31},
        {u"&h1fz", 31},
        {u"&HFFFF", -1},
        {u"&HFFFF&", 65535},
        {u"&HFFFFFFFF", -1},
        {u"&O17", 15},
        {u"&H", 0},
        {u"1e3", 1000},
        {u"1D2", 100},
        {u"1e", 1},
        {u"1e+", 1},
        {u"abc", 0},
        {u"", 0},
        {u"-3.5x", -3.5},
        {u"- 3", -3},
        {u"+4", 4},
        {u"--1", 0},
        {u".5", 0.5},
        {u"1.2.3", 1.2},
        {u"1,234", 1},
        {u"$5", 0},
        {u"1e-400", 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Conversions::val(QString::fromUtf16(c.text)), c.expected) << utf8(c.text);
}

TEST(ConversionsTest, ValOfANumberTooLargeOverflows)
{
    EXPECT_EQ(raisedNumber([] { Conversions::val(QStringLiteral("1e400")); }), RuntimeErrors::Overflow);
    EXPECT_EQ(raisedNumber([] { Conversions::val(QStringLiteral("&H123456789")); }), RuntimeErrors::Overflow);
}

TEST(ConversionsTest, VariantMembersUseTheSameRules)
{
    EXPECT_EQ(Variant(2.5).toLong(), 2);
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("True"));
    EXPECT_DOUBLE_EQ(Variant(u"(1,5)").toDouble(), -15.0);
    EXPECT_EQ(raisedNumber([] { Variant(u"x").toInteger(); }), RuntimeErrors::TypeMismatch);
}

} // namespace
