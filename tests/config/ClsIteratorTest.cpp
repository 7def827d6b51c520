#include "config/clsIterator.h"

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

TEST(ClsIteratorTest, WalksKeysInDictionaryOrderOrSorted)
{
    const QStringList keys = {u"b"_s, u"C"_s, u"a"_s, u"B"_s};
    clsIterator iterator;
    iterator.Init(dictionaryOf(keys), false);
    EXPECT_EQ(walk(iterator), keys);
    iterator.Init(dictionaryOf(keys), true);
    EXPECT_EQ(walk(iterator), (QStringList{u"B"_s, u"C"_s, u"a"_s, u"b"_s}));
}

} // namespace
