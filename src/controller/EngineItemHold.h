#pragma once

#include <memory>
#include <vector>

class EngineBasketItem;

// A reference to an item of the running rules engine that ends when the engine is released.
// The Sovereign keeps its BasketItem and Vouchers objects as long as it likes; the item's code
// lives in the engine's component, so no item may outlive its engine. The controller takes
// every held item when it releases the engine.
class EngineItemHold {
public:
    using Items = std::vector<std::shared_ptr<EngineBasketItem>>;

    explicit EngineItemHold(std::shared_ptr<EngineBasketItem> item);
    ~EngineItemHold();
    EngineItemHold(const EngineItemHold&) = delete;
    EngineItemHold& operator=(const EngineItemHold&) = delete;

    // The item; nullptr once its engine has been released.
    const std::shared_ptr<EngineBasketItem>& item() const { return m_item; }

    // Every held item, taken from its hold: the engine is going. The caller lets them go
    // before the engine.
    static Items takeAll();

private:
    std::shared_ptr<EngineBasketItem> m_item;
};
