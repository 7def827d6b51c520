#include "platform/Collection.h"
#include "platform/Dictionary.h"
#include "platform/TestHelpers.h"
#include "platform/Variant.h"

#include <gtest/gtest.h>

namespace {

TEST(VariantTest, KindAndTypeNameOfEveryValue)
{
    const ObjectRef dictionary = std::make_shared<Dictionary>();
    const struct {
        Variant value;
        Variant::Kind kind;
        const char16_t* typeName;
        bool numericKind;
    } cases[] = {
        {Variant(), Variant::Kind::Empty, u"Empty", false},
        {Variant::null(), Variant::Kind::Null, u"Null", false},
        {Variant(true), Variant::Kind::Boolean, u"Boolean", true},
        {Variant(qint16(1)), Variant::Kind::Integer, u"Integer", true},
        {Variant(qint32(1)), Variant::Kind::Long, u"Long", true},
        {Variant(1.0f), Variant::Kind::Single, u"Single", true},
        {Variant(1.0), Variant::Kind::Double, u"Double", true},
        {Variant::fromCurrency(1), Variant::Kind::Currency, u"Currency", true},
        {Variant::fromDate(1.0), Variant::Kind::Date, u"Date", false},
        {Variant(u"x"), Variant::Kind::String, u"String", false},
        {Variant(QString()), Variant::Kind::String, u"String", false},
        {Variant(dictionary), Variant::Kind::Object, u"Dictionary", false},
        {Variant(ObjectRef(std::make_shared<Collection>())), Variant::Kind::Object, u"Collection", false},
        {Variant(ObjectRef()), Variant::Kind::Object, u"Nothing", false},
        {Variant(VariantArray{}), Variant::Kind::Array, u"Variant()", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.kind(), c.kind) << utf8(c.typeName);
        EXPECT_EQ(c.value.typeName(), QString::fromUtf16(c.typeName));
        EXPECT_EQ(c.value.isNumericKind(), c.numericKind) << utf8(c.typeName);
    }
}

TEST(VariantTest, StoredValuesComeBackUnconverted)
{
    EXPECT_EQ(Variant(qint16(-7)).integerValue(), -7);
    EXPECT_EQ(Variant(qint32(70000)).longValue(), 70000);
    EXPECT_EQ(Variant(2.5f).singleValue(), 2.5f);
    EXPECT_EQ(Variant::fromCurrency(-12345).currencyValue(), -12345);
    EXPECT_EQ(Variant::fromDate(-1.25).dateValue(), -1.25);
    EXPECT_EQ(Variant(u"text").stringValue(), QStringLiteral("text"));
    EXPECT_EQ(Variant(VariantArray{Variant(true), Variant(u"a")}).arrayValue(), (VariantArray{Variant(true), Variant(u"a")}));
    // A wrong kind is the zero value, never a conversion.
    EXPECT_EQ(Variant(u"12").longValue(), 0);
    EXPECT_EQ(Variant(1.5).dateValue(), 0.0);
    EXPECT_EQ(Variant(qint32(1)).stringValue(), QString());
    EXPECT_EQ(Variant().objectValue(), nullptr);
}

TEST(VariantTest, EqualityNeedsTheSameKindAndValue)
{
    const ObjectRef first = std::make_shared<Dictionary>();
    const ObjectRef second = std::make_shared<Dictionary>();
    const struct {
        Variant left;
        Variant right;
        bool equal;
    } cases[] = {
        {Variant(), Variant(), true},
        {Variant::null(), Variant::null(), true},
        {Variant(), Variant::null(), false},
        {Variant(qint32(1)), Variant(qint32(1)), true},
        {Variant(qint32(1)), Variant(qint32(2)), false},
        {Variant(qint16(1)), Variant(qint32(1)), false},
        {Variant(1.0), Variant::fromDate(1.0), false},
        {Variant(1.0), Variant(1.0f), false},
        {Variant::fromCurrency(10000), Variant::fromCurrency(10000), true},
        {Variant::fromCurrency(10000), Variant(qint32(1)), false},
        {Variant(u"a"), Variant(u"a"), true},
        {Variant(u"a"), Variant(u"A"), false},
        {Variant(u""), Variant(), false},
        {Variant(first), Variant(first), true},
        {Variant(first), Variant(second), false},
        {Variant(VariantArray{Variant(u"a"), Variant(qint32(1))}), Variant(VariantArray{Variant(u"a"), Variant(qint32(1))}), true},
        {Variant(VariantArray{Variant(u"a")}), Variant(VariantArray{Variant(u"b")}), false},
        {Variant(VariantArray{}), Variant(VariantArray{}), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.left == c.right, c.equal) << c.left.typeName().toStdString() << " " << c.right.typeName().toStdString();
        EXPECT_EQ(c.right == c.left, c.equal);
    }
}

TEST(VariantTest, NarrowStringLiteralsAreTextNotBooleans)
{
    const Variant text("caf\xC3\xA9");
    EXPECT_EQ(text.kind(), Variant::Kind::String);
    EXPECT_EQ(text.stringValue(), QString::fromUtf16(u"caf\u00E9"));
    EXPECT_EQ(Variant(static_cast<const char*>(nullptr)), Variant(u""));
}

TEST(VariantTest, CopiesOfAnArrayAreIndependentValues)
{
    VariantArray items{Variant(qint32(1))};
    const Variant held(items);
    items.append(Variant(qint32(2)));
    EXPECT_EQ(held.arrayValue().size(), 1);
}

} // namespace
