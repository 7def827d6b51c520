#include "platform/Collection.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>

namespace {

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char16_t* item : {u"first", u"second", u"third"})
            collection.add(Variant(item));
    }

    Collection collection;
};

TEST_F(CollectionTest, ItemsAreNumberedFromOneInAddingOrder)
{
    EXPECT_EQ(collection.count(), 3);
    EXPECT_EQ(collection.item(1), Variant(u"first"));
    EXPECT_EQ(collection.item(3), Variant(u"third"));
    EXPECT_EQ(collection.items(), (VariantArray{Variant(u"first"), Variant(u"second"), Variant(u"third")}));
    EXPECT_EQ(collection.className(), QStringLiteral("Collection"));
}

TEST_F(CollectionTest, RemoveClosesTheGap)
{
    collection.remove(2);
    EXPECT_EQ(collection.count(), 2);
    EXPECT_EQ(collection.item(2), Variant(u"third"));
    collection.remove(1);
    collection.remove(1);
    EXPECT_EQ(collection.count(), 0);
}

TEST_F(CollectionTest, AnIndexOutsideOneToCountRaises9)
{
    for (const int index : {0, -1, 4}) {
        EXPECT_EQ(raisedNumber([&] { collection.item(index); }), RuntimeErrors::SubscriptOutOfRange) << index;
        EXPECT_EQ(raisedNumber([&] { collection.remove(index); }), RuntimeErrors::SubscriptOutOfRange) << index;
    }
    EXPECT_EQ(collection.count(), 3);
    EXPECT_EQ(raisedNumber([] { Collection().item(1); }), RuntimeErrors::SubscriptOutOfRange);
}

} // namespace
