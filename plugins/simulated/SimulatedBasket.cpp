#include "SimulatedBasket.h"

#include "VariantText.h"
#include "platform/RuntimeErrors.h"

SimulatedBasket::SimulatedBasket(int maxItems, qint64 maxValue)
    : m_maxItems(maxItems)
    , m_maxValue(maxValue)
{
}

std::shared_ptr<EngineBasketItem> SimulatedBasket::Item(const Variant& index) const
{
    auto item = find(index);
    if (!item)
        RuntimeErrors::raise(RuntimeErrors::SubscriptOutOfRange);
    return item;
}

qint64 SimulatedBasket::TotalPrice() const
{
    qint64 total = 0;
    for (const auto& item : m_items)
        total += item->Value() * item->Quantity();
    return total;
}

bool SimulatedBasket::DocumentReleased(const QString& fileName) const
{
    if (!m_committed)
        return false;
    for (const auto& item : m_items) {
        if (!fileName.isEmpty() && item->document() == fileName)
            return true;
    }
    return false;
}

std::shared_ptr<Collection> SimulatedBasket::DocumentList() const
{
    auto list = std::make_shared<Collection>();
    for (const auto& item : m_items) {
        if (!item->document().isEmpty())
            list->add(Variant(item->document()));
    }
    return list;
}

bool SimulatedBasket::accepts(qint64 price) const
{
    return !m_committed && !IsFull() && TotalPrice() + price <= m_maxValue;
}

std::shared_ptr<SimulatedBasketItem> SimulatedBasket::find(const Variant& index) const
{
    if (m_items.isEmpty())
        return nullptr;
    if (index.isEmpty())
        return m_items.last();
    const QString text = VariantText::of(index);
    for (const auto& item : m_items) {
        if (QString::number(item->ID()) == text)
            return item;
    }
    return nullptr;
}

void SimulatedBasket::add(std::shared_ptr<SimulatedBasketItem> item)
{
    m_nextId = qMax(m_nextId, item->ID() + 1);
    m_items.append(std::move(item));
}

void SimulatedBasket::remove(const std::shared_ptr<SimulatedBasketItem>& item)
{
    m_items.removeOne(item);
}
