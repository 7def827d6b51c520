#pragma once

#include "controller/EngineDescription.h"
#include "platform/Collection.h"

// One line of the engine's basket. Currency values are in ten-thousandths.
class EngineBasketItem : public AutomationObject {
public:
    virtual qint32 ID() const = 0;
    virtual QString ProductID() const = 0;
    virtual std::shared_ptr<EngineDescription> Description() const = 0;
    virtual QString POSOperatorID() const = 0;
    virtual QString POSReferenceID() const = 0;
    virtual qint16 Quantity() const = 0;
    virtual qint64 Value() const = 0;
    virtual qint64 Tax(const QString& taxCode) const = 0;
    virtual bool IsCommitted() const = 0;
    virtual bool IsRemovable() const = 0;
    virtual bool IsSuspendable() const = 0;
    virtual bool IsTender() const = 0;
    virtual qint32 OriginalID() const = 0;
    virtual qint64 CostPrice() const = 0;
    // The item's voucher documents: a collection of file names.
    virtual std::shared_ptr<Collection> DocumentList() const = 0;
};
