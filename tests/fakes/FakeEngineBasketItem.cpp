#include "fakes/FakeEngineBasketItem.h"

#include "fakes/FakeEngineDescription.h"

std::shared_ptr<EngineDescription> FakeEngineBasketItem::Description() const
{
    return std::make_shared<FakeEngineDescription>(description);
}

std::shared_ptr<Collection> FakeEngineBasketItem::DocumentList() const
{
    auto list = std::make_shared<Collection>();
    for (const QString& document : documents)
        list->add(Variant(document));
    return list;
}
