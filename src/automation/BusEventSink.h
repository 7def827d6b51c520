#pragma once

#include "api/APIEvents.h"

#include <QString>
#include <memory>

class ObjectServer;

// The Sovereign's sink object on the bus, advised to one API object: every event is a method
// call on it (interface org.pcquiba.APIEvents) whose reply carries the by-reference values in
// order. While a call waits the event loop keeps serving, so the Sovereign can call back
// (InjectData from inside GetData). The automation time-out bounds each call; a sink that fails,
// vanishes or times out raises, which the API counts as a failed handler. A client that left the
// bus inside GetData has cancelled the request.
class BusEventSink : public APIEvents, public std::enable_shared_from_this<BusEventSink> {
public:
    BusEventSink(ObjectServer& server, QString client, QString sinkPath, QString tree);

    static QString interfaceName();
    const QString& sinkPath() const { return m_sinkPath; }

    // The object that advised it has ended. While an event call of it runs, the sink and the
    // owner are kept, and let go once the relay that raised the event has returned.
    void end(std::shared_ptr<void> owner);

    void Surrender(qint32 reason, const QString& message) override;
    void RefuseInterrupt() override;
    void StartDevice(qint32 device) override;
    void StopDevice(qint32 device) override;
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override;
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override;
    void ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel) override;
    void ItemRemoved(std::shared_ptr<BasketItem>& basketItem) override;
    void AddItemFailed(const QString& productID, const QString& message) override;
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override;
    void BasketCommitted(qint16 numberOfItems) override;
    void BasketSuspended(const QString& handle) override;
    void SuspendFailed(const QString& message) override;
    void ResumeComplete(qint16 numberOfItems) override;
    void ResumeFailed(const QString& handle, const QString& message) override;
    void PrintBegin(qint16 numberOfDocuments) override;
    void PrintVoucher(const QString& alignment) override;
    void PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                   const QString& alignment, qint16 indent, const QString& data) override;
    void PrintLine(qint16 width) override;
    void PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                      const QString& data) override;
    void PrintGraphicsBegin(const QString& verticalAlignment) override;
    void PrintImage(const QString& alignment, const QString& fileName) override;
    void PrintGraphicsEnd() override;
    void PrintCut(bool halfCut) override;
    void PrintVoucherEnd() override;
    void PrintEnd() override;
    void Closing(const QString& message) override;

private:
    // Calls the event and waits for the reply; returns the values the sink sent back.
    VariantArray raise(const QString& event, const VariantArray& arguments);
    VariantArray wait(const QString& event, const VariantArray& arguments);
    bool clientLeft() const;
    void left(const QString& event);
    static void timedOut();

    ObjectServer& m_server;
    QString m_client;
    QString m_sinkPath;
    QString m_tree;
    int m_running = 0;
    bool m_ended = false;
    bool m_clientLeft = false;
    std::shared_ptr<void> m_owner;
};
