#pragma once

#include "controller/ControllerEvents.h"

#include <QStringList>
#include <functional>
#include <optional>

// A controller listener that writes every event as one line ("Ready()", "PrintText(A, B, 1, ...)")
// and answers the in/out parameters as the test scripts them.
class RecordingControllerListener : public ControllerEvents {
public:
    void Surrender(qint32 reason, const QString& message) override { add(u"Surrender", {n(reason), message}); }
    void RefuseInterrupt() override { add(u"RefuseInterrupt"); }
    void StartDevice(qint32 device) override { add(u"StartDevice", {n(device)}); }
    void StopDevice(qint32 device) override { add(u"StopDevice", {n(device)}); }
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override
    {
        add(u"GetData", {name, dataType, n(device), errorMessage, data.toString(), b(cancel)});
        if (answerData)
            data = *answerData;
        cancel = cancel || answerCancel;
    }
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override
    {
        add(u"DataMismatch", {n(index), data.toString(), message});
    }
    void ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel) override
    {
        add(u"ItemAdded", {basketItem ? QStringLiteral("item") : QStringLiteral("nothing"), b(cancel)});
        lastBasketItem = basketItem;
        cancel = cancel || answerCancel;
    }
    void ItemRemoved(std::shared_ptr<BasketItem>& basketItem) override
    {
        add(u"ItemRemoved", {basketItem ? QStringLiteral("item") : QStringLiteral("nothing")});
        lastBasketItem = basketItem;
    }
    void AddItemFailed(const QString& productID, const QString& message) override
    {
        add(u"AddItemFailed", {productID, message});
    }
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override
    {
        add(u"VoucherAvailable", {voucher ? QStringLiteral("voucher") : QStringLiteral("nothing")});
        lastVoucher = voucher;
    }
    void BasketCommitted(qint16 numberOfItems) override { add(u"BasketCommitted", {n(numberOfItems)}); }
    void BasketSuspended(const QString& handle) override { add(u"BasketSuspended", {handle}); }
    void SuspendFailed(const QString& message) override { add(u"SuspendFailed", {message}); }
    void ResumeComplete(qint16 numberOfItems) override { add(u"ResumeComplete", {n(numberOfItems)}); }
    void ResumeFailed(const QString& handle, const QString& message) override { add(u"ResumeFailed", {handle, message}); }
    void PrintBegin(qint16 numberOfDocuments) override { add(u"PrintBegin", {n(numberOfDocuments)}); }
    void PrintVoucher(const QString& alignment) override { add(u"PrintVoucher", {alignment}); }
    void PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                   const QString& alignment, qint16 indent, const QString& data) override
    {
        add(u"PrintText", {font, emphasis, n(charWidth), n(charHeight), alignment, n(indent), data});
    }
    void PrintLine(qint16 width) override { add(u"PrintLine", {n(width)}); }
    void PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                      const QString& data) override
    {
        add(u"PrintBarcode", {barcodeType, n(width), n(height), alignment, data});
    }
    void PrintGraphicsBegin(const QString& verticalAlignment) override { add(u"PrintGraphicsBegin", {verticalAlignment}); }
    void PrintImage(const QString& alignment, const QString& fileName) override { add(u"PrintImage", {alignment, fileName}); }
    void PrintGraphicsEnd() override { add(u"PrintGraphicsEnd"); }
    void PrintCut(bool& halfCut) override
    {
        add(u"PrintCut", {b(halfCut)});
        halfCut = answerHalfCut;
    }
    void PrintVoucherEnd() override { add(u"PrintVoucherEnd"); }
    void PrintEnd() override { add(u"PrintEnd"); }
    void Closing(const QString& message) override { add(u"Closing", {message}); }
    void Ready() override { add(u"Ready"); }

    QStringList events;
    // Runs after each event is written (a listener that unadvises, ...).
    std::function<void()> afterEvent;
    std::optional<Variant> answerData;
    bool answerCancel = false;
    bool answerHalfCut = false;
    std::shared_ptr<BasketItem> lastBasketItem;
    std::shared_ptr<Voucher> lastVoucher;

private:
    static QString n(qint64 value) { return QString::number(value); }
    static QString b(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
    void add(QStringView name, const QStringList& arguments = {})
    {
        events.append(name.toString() + u'(' + arguments.join(u", ") + u')');
        if (afterEvent)
            afterEvent();
    }
};
