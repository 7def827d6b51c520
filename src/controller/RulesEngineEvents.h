#pragma once

#include "controller/EngineBasketItem.h"
#include "platform/Variant.h"

// What the rules engine tells its owner. In/out parameters are references: whatever the
// handler leaves in them goes back to the engine.
class RulesEngineEvents {
public:
    virtual ~RulesEngineEvents() = default;

    virtual void AddItemFailed(const QString& productID, const QString& message) = 0;
    virtual void BasketCommitted(qint16 numberOfItems) = 0;
    virtual void BasketSuspended(const QString& handle) = 0;
    virtual void DataMismatch(qint16 index, const Variant& data, const QString& message) = 0;
    virtual void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                         Variant& data, bool& cancel) = 0;
    virtual void ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel) = 0;
    virtual void ItemRemoved(std::shared_ptr<EngineBasketItem>& item) = 0;
    virtual void RefuseInterrupt() = 0;
    virtual void ResumeComplete(qint16 numberOfItems) = 0;
    virtual void ResumeFailed(const QString& handle, const QString& message) = 0;
    virtual void SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle) = 0;
    virtual void StartDevice(qint32 device) = 0;
    virtual void StopDevice(qint32 device) = 0;
    virtual void Surrender(qint32 reason, const QString& message) = 0;
    virtual void SuspendFailed(const QString& message) = 0;
    virtual void VoucherAvailable(const QString& fileName) = 0;
};
