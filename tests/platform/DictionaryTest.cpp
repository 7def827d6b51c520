#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

Dictionary filled(Dictionary::CompareMode mode)
{
    Dictionary dictionary(mode);
    dictionary.add(QStringLiteral("Alpha"), Variant(qint32(1)));
    dictionary.add(QStringLiteral("beta"), Variant(qint32(2)));
    dictionary.add(QStringLiteral("Gamma"), Variant(qint32(3)));
    return dictionary;
}

TEST(DictionaryTest, KeysAreComparedByTheChosenMode)
{
    const struct {
        Dictionary::CompareMode mode;
        const char16_t* key;
        Variant item; // Empty when the key is absent
    } cases[] = {
        {Dictionary::CompareMode::Binary, u"Alpha", Variant(qint32(1))},
        {Dictionary::CompareMode::Binary, u"ALPHA", Variant()},
        {Dictionary::CompareMode::Binary, u"Alpha ", Variant()},
        {Dictionary::CompareMode::Text, u"ALPHA", Variant(qint32(1))},
        {Dictionary::CompareMode::Text, u"BETA", Variant(qint32(2))},
        {Dictionary::CompareMode::Text, u"gamma", Variant(qint32(3))},
        {Dictionary::CompareMode::Text, u"Alpha ", Variant()},
        {Dictionary::CompareMode::Text, u"", Variant()},
    };
    for (const auto& c : cases) {
        const Dictionary dictionary = filled(c.mode);
        const QString key = QString::fromUtf16(c.key);
        EXPECT_EQ(dictionary.exists(key), !c.item.isEmpty()) << utf8(c.key);
        EXPECT_EQ(dictionary.itemIfPresent(key), c.item) << utf8(c.key);
        EXPECT_EQ(dictionary.count(), 3) << utf8(c.key);
    }
}

TEST(DictionaryTest, AddingAPresentKeyRaises457)
{
    Dictionary text = filled(Dictionary::CompareMode::Text);
    EXPECT_EQ(raisedNumber([&] { text.add(QStringLiteral("ALPHA"), Variant()); }), RuntimeErrors::KeyAlreadyAssociated);
    Dictionary binary = filled(Dictionary::CompareMode::Binary);
    EXPECT_EQ(raisedNumber([&] { binary.add(QStringLiteral("Alpha"), Variant()); }), RuntimeErrors::KeyAlreadyAssociated);
    EXPECT_EQ(raisedNumber([&] { binary.add(QStringLiteral("ALPHA"), Variant()); }), 0);
    EXPECT_EQ(text.count(), 3);
}

TEST(DictionaryTest, KeysStayInInsertionOrderWithTheirFirstSpelling)
{
    Dictionary dictionary = filled(Dictionary::CompareMode::Text);
    dictionary.setItem(QStringLiteral("ALPHA"), Variant(u"changed"));
    dictionary.setItem(QStringLiteral("Delta"), Variant(qint32(4)));
    EXPECT_EQ(dictionary.keys(), QStringList({u"Alpha"_s, u"beta"_s, u"Gamma"_s, u"Delta"_s}));
    EXPECT_EQ(dictionary.items(),
              (VariantArray{Variant(u"changed"), Variant(qint32(2)), Variant(qint32(3)), Variant(qint32(4))}));
}

TEST(DictionaryTest, ReadingTheItemOfAnAbsentKeyAddsItWithAnEmptyItem)
{
    for (const auto mode : {Dictionary::CompareMode::Binary, Dictionary::CompareMode::Text}) {
        Dictionary dictionary = filled(mode);
        EXPECT_EQ(dictionary.item(QStringLiteral("Data")), Variant());
        EXPECT_TRUE(dictionary.exists(QStringLiteral("Data")));
        EXPECT_EQ(dictionary.keys(), QStringList({u"Alpha"_s, u"beta"_s, u"Gamma"_s, u"Data"_s}));
        EXPECT_EQ(dictionary.items(), (VariantArray{Variant(qint32(1)), Variant(qint32(2)), Variant(qint32(3)), Variant()}));
        // Reading a present key changes nothing.
        EXPECT_EQ(dictionary.item(mode == Dictionary::CompareMode::Text ? u"ALPHA"_s : u"Alpha"_s), Variant(qint32(1)));
        EXPECT_EQ(dictionary.count(), 4);
        // Adding a key that was only read is adding a present key.
        EXPECT_EQ(raisedNumber([&] { dictionary.add(QStringLiteral("Data"), Variant()); }), RuntimeErrors::KeyAlreadyAssociated);
    }
}

TEST(DictionaryTest, AKeyTakenByAnEarlierReaderCanStillBeReadAndRemoved)
{
    // Two clicks each read "Data" and remove it; the first took it already.
    Dictionary args(Dictionary::CompareMode::Text);
    args.add(QStringLiteral("Data"), Variant(VariantArray{Variant(qint32(3))}));
    for (int click = 0; click < 2; ++click) {
        SCOPED_TRACE(click);
        const Variant data = args.item(QStringLiteral("data"));
        EXPECT_EQ(data.isEmpty(), click == 1);
        EXPECT_EQ(raisedNumber([&] { args.remove(QStringLiteral("Data")); }), 0);
        EXPECT_EQ(args.count(), 0);
    }
}

TEST(DictionaryTest, RemoveKeepsTheOrderAndTheLookupOfTheRest)
{
    Dictionary dictionary = filled(Dictionary::CompareMode::Text);
    dictionary.remove(QStringLiteral("BETA"));
    EXPECT_EQ(dictionary.keys(), QStringList({u"Alpha"_s, u"Gamma"_s}));
    EXPECT_EQ(dictionary.item(QStringLiteral("gamma")), Variant(qint32(3)));
    EXPECT_FALSE(dictionary.exists(QStringLiteral("beta")));
    dictionary.add(QStringLiteral("Beta"), Variant(qint32(5)));
    EXPECT_EQ(dictionary.keys(), QStringList({u"Alpha"_s, u"Gamma"_s, u"Beta"_s}));
    EXPECT_EQ(raisedNumber([&] { dictionary.remove(QStringLiteral("absent")); }), RuntimeErrors::InvalidProcedureCall);
}

TEST(DictionaryTest, RemoveAllEmptiesIt)
{
    Dictionary dictionary = filled(Dictionary::CompareMode::Binary);
    dictionary.removeAll();
    EXPECT_EQ(dictionary.count(), 0);
    EXPECT_FALSE(dictionary.exists(QStringLiteral("Alpha")));
    dictionary.add(QStringLiteral("Alpha"), Variant());
    EXPECT_EQ(dictionary.keys(), QStringList({u"Alpha"_s}));
    EXPECT_EQ(dictionary.className(), QStringLiteral("Dictionary"));
}

} // namespace
