#pragma once

#include "platform/Variant.h"

#include <QString>
#include <functional>
#include <memory>

class Collection;
class EngineBasketItem;
class EngineItemHold;
class Vouchers;

// A read-only view of one line of the engine's basket: every property reads the engine item at
// the moment of the call. Made with std::make_shared and attached to its engine item at once
// (wrap()), by the basket and by the controller's item events.
class BasketItem : public AutomationObject, public std::enable_shared_from_this<BasketItem> {
public:
    static inline const QString kClassName = QStringLiteral("BasketItem");

    // A new wrapper over the engine item.
    static std::shared_ptr<BasketItem> wrap(const std::shared_ptr<EngineBasketItem>& engineItem);

    QString className() const override;

    // Only the program's own classes attach the engine item; it is not part of the automation
    // interface.
    void AttachItem(const std::shared_ptr<EngineBasketItem>& engineItem);

    QString ID();
    QString ProductID();
    QString Description();
    QString POSOperatorID();
    QString POSReferenceID();
    qint16 Quantity();
    // Currency values in ten-thousandths.
    qint64 Value();
    qint64 Tax(const QString& taxCode);
    bool IsCommitted();
    bool IsRemovable();
    bool IsSuspendable();
    bool IsTender();
    qint32 OriginalID();
    // The item's voucher documents, the same object on every call; nullptr while no engine
    // item is attached. The collection asks the engine item itself, so it keeps finding the
    // documents after the Sovereign lets go of this wrapper, until the engine is released.
    std::shared_ptr<class Vouchers> Vouchers();
    qint64 CostPrice();

private:
    // The shape of every property: frame, GET line, the engine item's value, result line.
    // Without an attached item the frame's error exit reports it.
    Variant property(const QString& name, const std::function<Variant(const EngineBasketItem&)>& read);
    const EngineBasketItem& engineItem() const;
    // Answers the GetDocList event of an item's Vouchers with the engine item's documents.
    static void m_objVouchers_GetDocList(const EngineItemHold& hold, std::shared_ptr<Collection>& docList);

    // The engine item, held only while its engine runs.
    std::shared_ptr<EngineItemHold> m_engineItem;
    std::shared_ptr<class Vouchers> m_objVouchers;
};
