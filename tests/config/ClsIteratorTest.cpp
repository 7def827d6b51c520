#include "config/clsIterator.h"

#include "services/Services.h"
#include "common/QtPrinting.h"
#include "fakes/RecordingErrorHandler.h"
#include "platform/Dictionary.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::shared_ptr<Dictionary> dictionaryOf(const QStringList& keys)
{
    auto entries = std::make_shared<Dictionary>(Dictionary::CompareMode::Binary);
    for (const QString& key : keys)
        entries->add(key, Variant(key));
    return entries;
}

QStringList walk(clsIterator& iterator)
{
    QStringList keys;
    while (iterator.HasNext())
        keys.append(iterator.NextKey());
    return keys;
}

TEST(ClsIteratorTest, WalksKeysInDictionaryOrderOrSortedByCharacterCodes)
{
    struct Case {
        QStringList keys;
        QStringList sorted;
    };
    const Case cases[] = {
        {{}, {}},
        {{u"only"_s}, {u"only"_s}},
        {{u"b"_s, u"C"_s, u"a"_s, u"B"_s}, {u"B"_s, u"C"_s, u"a"_s, u"b"_s}},
        {{u"9"_s, u"10"_s, u"100"_s, u"1"_s}, {u"1"_s, u"10"_s, u"100"_s, u"9"_s}},
        {{u"20240301"_s, u"20231231"_s, u"20240229"_s}, {u"20231231"_s, u"20240229"_s, u"20240301"_s}},
        {{u"ab"_s, u"a"_s, u""_s, u"é"_s, u"z"_s}, {u""_s, u"a"_s, u"ab"_s, u"z"_s, u"é"_s}},
        {{u"e"_s, u"d"_s, u"c"_s, u"b"_s, u"a"_s}, {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}},
    };
    for (const Case& c : cases) {
        clsIterator iterator;
        iterator.Init(dictionaryOf(c.keys), false);
        EXPECT_EQ(walk(iterator), c.keys);
        iterator.Init(dictionaryOf(c.keys), true);
        EXPECT_EQ(walk(iterator), c.sorted);
    }
}

TEST(ClsIteratorTest, ExhaustedIteratorGivesEmptyTextAndStaysExhausted)
{
    clsIterator iterator;
    iterator.Init(dictionaryOf({u"a"_s, u"b"_s}), false);
    EXPECT_EQ(iterator.NextKey(), u"a"_s);
    EXPECT_EQ(iterator.NextKey(), u"b"_s);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(iterator.HasNext());
        EXPECT_EQ(iterator.NextKey(), u""_s);
    }
    // Init starts over.
    iterator.Init(dictionaryOf({u"c"_s}), true);
    EXPECT_TRUE(iterator.HasNext());
    EXPECT_EQ(iterator.NextKey(), u"c"_s);
}

TEST(ClsIteratorTest, IteratorOfNothingHasNoKeys)
{
    clsIterator fresh;
    EXPECT_FALSE(fresh.HasNext());
    EXPECT_EQ(fresh.NextKey(), u""_s);
    for (const bool sorted : {false, true}) {
        clsIterator iterator;
        iterator.Init(nullptr, sorted);
        EXPECT_FALSE(iterator.HasNext());
        EXPECT_EQ(iterator.NextKey(), u""_s);
    }
}

TEST(ClsIteratorTest, KeysAreTakenWhenInitRuns)
{
    const auto entries = dictionaryOf({u"a"_s});
    clsIterator iterator;
    iterator.Init(entries, false);
    entries->add(u"b"_s, Variant());
    EXPECT_EQ(walk(iterator), QStringList{u"a"_s});
}

class ClsIteratorTraceTest : public ::testing::Test {
protected:
    void SetUp() override { Services::setErrorHandler(handler); }
    void TearDown() override { Services::reset(); }

    std::shared_ptr<RecordingErrorHandler> handler = std::make_shared<RecordingErrorHandler>();
};

TEST_F(ClsIteratorTraceTest, EveryOperationAnnouncesItself)
{
    clsIterator iterator;
    iterator.Init(dictionaryOf({u"b"_s, u"a"_s}), true);
    iterator.HasNext();
    iterator.NextKey();
    EXPECT_EQ(handler->events,
              (QStringList{u"enter clsIterator.Init"_s, u"enter clsIterator.zSortKeys"_s, u"leave"_s, u"leave"_s,
                           u"enter clsIterator.HasNext"_s, u"leave"_s, u"enter clsIterator.NextKey"_s, u"leave"_s}));
}

} // namespace
