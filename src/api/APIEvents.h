#pragma once

#include "platform/Variant.h"

#include <memory>

class BasketItem;
class Voucher;

// The events an API object raises to its Sovereign, in the order of the source interface
// (BasketCommitted stands after VoucherAvailable but has DISPID 27). In/out parameters are
// references: what the handler leaves in them goes back to the engine. A handler may call
// InjectData and InjectCancel on the API object from inside GetData and ItemAdded; an exception
// thrown by a handler is passed over and the sale goes on.
class APIEvents {
public:
    virtual ~APIEvents() = default;

    virtual void Surrender(qint32 reason, const QString& message) = 0;
    virtual void RefuseInterrupt() = 0;
    virtual void StartDevice(qint32 device) = 0;
    virtual void StopDevice(qint32 device) = 0;
    virtual void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                         Variant& data, bool& cancel) = 0;
    virtual void DataMismatch(qint16 index, const Variant& data, const QString& message) = 0;
    virtual void ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel) = 0;
    virtual void ItemRemoved(std::shared_ptr<BasketItem>& basketItem) = 0;
    virtual void AddItemFailed(const QString& productID, const QString& message) = 0;
    virtual void VoucherAvailable(std::shared_ptr<Voucher>& voucher) = 0;
    virtual void BasketCommitted(qint16 numberOfItems) = 0;
    virtual void BasketSuspended(const QString& handle) = 0;
    virtual void SuspendFailed(const QString& message) = 0;
    virtual void ResumeComplete(qint16 numberOfItems) = 0;
    virtual void ResumeFailed(const QString& handle, const QString& message) = 0;
    virtual void PrintBegin(qint16 numberOfDocuments) = 0;
    virtual void PrintVoucher(const QString& alignment) = 0;
    virtual void PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                           const QString& alignment, qint16 indent, const QString& data) = 0;
    virtual void PrintLine(qint16 width) = 0;
    virtual void PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                              const QString& data) = 0;
    virtual void PrintGraphicsBegin(const QString& verticalAlignment) = 0;
    virtual void PrintImage(const QString& alignment, const QString& fileName) = 0;
    virtual void PrintGraphicsEnd() = 0;
    virtual void PrintCut(bool halfCut) = 0;
    virtual void PrintVoucherEnd() = 0;
    virtual void PrintEnd() = 0;
    virtual void Closing(const QString& message) = 0;
};
