#include "controller/EngineItemHold.h"

#include "controller/EngineBasketItem.h"

#include <QSet>
#include <utility>

namespace {

// The holds alive now: one for each wrapper the Sovereign may still hold. Only the event loop's
// thread makes and ends them. Never destroyed: a hold in an object that lives until the
// process's static objects go may end after it.
QSet<EngineItemHold*>& liveHolds()
{
    static auto* holds = new QSet<EngineItemHold*>;
    return *holds;
}

} // namespace

EngineItemHold::EngineItemHold(std::shared_ptr<EngineBasketItem> item) : m_item(std::move(item))
{
    liveHolds().insert(this);
}

EngineItemHold::~EngineItemHold()
{
    liveHolds().remove(this);
}

EngineItemHold::Items EngineItemHold::takeAll()
{
    Items items;
    for (EngineItemHold* hold : std::as_const(liveHolds())) {
        if (hold->m_item)
            items.push_back(std::exchange(hold->m_item, nullptr));
    }
    return items;
}
