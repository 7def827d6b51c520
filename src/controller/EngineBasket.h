#pragma once

#include "controller/EngineBasketItem.h"
#include "platform/Variant.h"

// The sale in progress, as the engine keeps it. An Empty index stands for an omitted argument;
// what it selects is the engine's business. Currency values are in ten-thousandths.
class EngineBasket : public AutomationObject {
public:
    virtual qint16 Count() const = 0;
    virtual bool Exists(const Variant& index) const = 0;
    virtual std::shared_ptr<EngineBasketItem> Item(const Variant& index) const = 0;
    virtual qint64 TotalPrice() const = 0;
    virtual qint64 TotalTender() const = 0;
    virtual bool IsFull() const = 0;
    virtual bool IsAntiSocial() const = 0;
    // A date: the basket must not be disturbed before it.
    virtual double BusyUntil() const = 0;
    // Whether the document may be handed out.
    virtual bool DocumentReleased(const QString& fileName) const = 0;
    virtual bool IsCommitted() const = 0;
    virtual qint32 AllowedPaymentMethod() const = 0;
    virtual qint32 ActualPaymentMethod() const = 0;
    virtual void setActualPaymentMethod(qint32 method) = 0;
    // The basket's voucher documents: a collection of file names.
    virtual std::shared_ptr<Collection> DocumentList() const = 0;
    // Every item, in the engine's own order (the enumeration of the basket).
    virtual QList<std::shared_ptr<EngineBasketItem>> Items() const = 0;
};
