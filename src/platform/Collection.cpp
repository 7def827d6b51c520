#include "platform/Collection.h"

#include "platform/RuntimeErrors.h"

QString Collection::className() const
{
    return QStringLiteral("Collection");
}

void Collection::add(const Variant& item)
{
    m_items.append(item);
}

void Collection::checkIndex(int index) const
{
    if (index < 1 || index > count())
        RuntimeErrors::raise(RuntimeErrors::SubscriptOutOfRange);
}

Variant Collection::item(int index) const
{
    checkIndex(index);
    return m_items.at(index - 1);
}

void Collection::remove(int index)
{
    checkIndex(index);
    m_items.removeAt(index - 1);
}
