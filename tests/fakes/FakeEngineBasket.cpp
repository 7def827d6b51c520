#include "fakes/FakeEngineBasket.h"

#include "platform/RuntimeErrors.h"

std::shared_ptr<FakeEngineBasketItem> FakeEngineBasket::find(const Variant& index) const
{
    if (items.isEmpty())
        return nullptr;
    if (index.isEmpty())
        return items.first();
    const QString text = index.toString();
    for (const auto& item : items) {
        if (QString::number(item->id) == text)
            return item;
    }
    bool isNumber = false;
    const int position = text.toInt(&isNumber);
    if (isNumber && position >= 1 && position <= items.size())
        return items.at(position - 1);
    return nullptr;
}

std::shared_ptr<EngineBasketItem> FakeEngineBasket::Item(const Variant& index) const
{
    auto item = find(index);
    if (!item)
        RuntimeErrors::raise(RuntimeErrors::SubscriptOutOfRange);
    return item;
}

qint64 FakeEngineBasket::TotalPrice() const
{
    qint64 total = 0;
    for (const auto& item : items)
        total += item->value * item->quantity;
    return total;
}

std::shared_ptr<Collection> FakeEngineBasket::DocumentList() const
{
    auto list = std::make_shared<Collection>();
    for (const QString& document : documents)
        list->add(Variant(document));
    return list;
}

std::shared_ptr<FakeEngineBasketItem> FakeEngineBasket::addItem(const QString& productID, qint64 value)
{
    auto item = std::make_shared<FakeEngineBasketItem>();
    item->id = items.isEmpty() ? 1 : items.last()->id + 1;
    item->productID = productID;
    item->description = productID;
    item->value = value;
    items.append(item);
    return item;
}
