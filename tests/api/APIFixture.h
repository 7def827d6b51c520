#pragma once

#include "api/API.h"
#include "common/TestFiles.h"
#include "api/APIEvents.h"
#include "api/BasketItem.h"
#include "api/TickCount.h"
#include "api/Voucher.h"
#include "api/SaleFixture.h"
#include "services/ProcessState.h"
#include "common/TestEnvironment.h"
#include "config/clsINIFile.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <memory>

// A Sovereign's event handlers: each event is written as one line ("GetData(Card, Text, 4, ...)")
// and the handlers a test gives run inside the event.
class RecordingAPISink : public APIEvents {
public:
    void Surrender(qint32 reason, const QString& message) override { add(u"Surrender", {n(reason), message}); }
    void RefuseInterrupt() override { add(u"RefuseInterrupt"); }
    void StartDevice(qint32 device) override { add(u"StartDevice", {n(device)}); }
    void StopDevice(qint32 device) override { add(u"StopDevice", {n(device)}); }
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override
    {
        add(u"GetData", {name, dataType, n(device), errorMessage});
        if (onGetData)
            onGetData(data, cancel);
    }
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override
    {
        add(u"DataMismatch", {n(index), data.toString(), message});
    }
    void ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel) override
    {
        add(u"ItemAdded", {basketItem ? basketItem->ProductID() : QStringLiteral("nothing")});
        if (onItemAdded)
            onItemAdded(cancel);
    }
    void ItemRemoved(std::shared_ptr<BasketItem>&) override { add(u"ItemRemoved"); }
    void AddItemFailed(const QString& productID, const QString& message) override
    {
        add(u"AddItemFailed", {productID, message});
    }
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override
    {
        add(u"VoucherAvailable");
        vouchers.append(voucher);
    }
    void BasketCommitted(qint16 numberOfItems) override { add(u"BasketCommitted", {n(numberOfItems)}); }
    void BasketSuspended(const QString& handle) override { add(u"BasketSuspended", {handle}); }
    void SuspendFailed(const QString& message) override { add(u"SuspendFailed", {message}); }
    void ResumeComplete(qint16 numberOfItems) override { add(u"ResumeComplete", {n(numberOfItems)}); }
    void ResumeFailed(const QString& handle, const QString& message) override
    {
        add(u"ResumeFailed", {handle, message});
    }
    void PrintBegin(qint16 numberOfDocuments) override { add(u"PrintBegin", {n(numberOfDocuments)}); }
    void PrintVoucher(const QString& alignment) override { add(u"PrintVoucher", {alignment}); }
    void PrintText(const QString&, const QString&, qint16, qint16, const QString&, qint16, const QString& data) override
    {
        add(u"PrintText", {data});
    }
    void PrintLine(qint16 width) override { add(u"PrintLine", {n(width)}); }
    void PrintBarcode(const QString& barcodeType, qint16, qint16, const QString&, const QString& data) override
    {
        add(u"PrintBarcode", {barcodeType, data});
    }
    void PrintGraphicsBegin(const QString& verticalAlignment) override
    {
        add(u"PrintGraphicsBegin", {verticalAlignment});
    }
    void PrintImage(const QString& alignment, const QString&) override { add(u"PrintImage", {alignment}); }
    void PrintGraphicsEnd() override { add(u"PrintGraphicsEnd"); }
    void PrintCut(bool halfCut) override
    {
        add(u"PrintCut", {halfCut ? QStringLiteral("True") : QStringLiteral("False")});
    }
    void PrintVoucherEnd() override { add(u"PrintVoucherEnd"); }
    void PrintEnd() override { add(u"PrintEnd"); }
    void Closing(const QString& message) override { add(u"Closing", {message}); }

    QStringList events;
    QList<std::shared_ptr<Voucher>> vouchers;
    std::function<void(Variant& data, bool& cancel)> onGetData;
    std::function<void(bool& cancel)> onItemAdded;

private:
    static QString n(qint64 value) { return QString::number(value); }
    void add(const char16_t* name, const QStringList& arguments = {})
    {
        events.append(QString::fromUtf16(name) + u'(' + arguments.join(QStringLiteral(", ")) + u')');
    }
};

// A Sovereign's handler that fails on every event.
class ThrowingAPISink : public RecordingAPISink {
public:
    void Surrender(qint32 r, const QString& m) override { RecordingAPISink::Surrender(r, m); fail(); }
    void GetData(const QString& a, const QString& b, qint32 c, const QString& d, Variant& e, bool& f) override
    {
        RecordingAPISink::GetData(a, b, c, d, e, f);
        fail();
    }
    void ItemAdded(std::shared_ptr<BasketItem>& item, bool& cancel) override
    {
        RecordingAPISink::ItemAdded(item, cancel);
        fail();
    }
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override
    {
        RecordingAPISink::VoucherAvailable(voucher);
        fail();
    }
    void BasketCommitted(qint16 count) override { RecordingAPISink::BasketCommitted(count); fail(); }
    void StartDevice(qint32 device) override { RecordingAPISink::StartDevice(device); fail(); }
    void PrintBegin(qint16 count) override { RecordingAPISink::PrintBegin(count); fail(); }
    void PrintText(const QString& a, const QString& b, qint16 c, qint16 d, const QString& e, qint16 f,
                   const QString& g) override
    {
        RecordingAPISink::PrintText(a, b, c, d, e, f, g);
        throw std::runtime_error("handler failed");
    }
    void PrintEnd() override { RecordingAPISink::PrintEnd(); fail(); }

private:
    [[noreturn]] static void fail()
    {
        throw AutomationError(5, QStringLiteral("Sovereign"), QStringLiteral("handler failed"));
    }
};

// The API's world: a started process (version, INI file), a fake engine the first API object
// starts, and a sink on every API object the test makes.
class APIFixture : public SaleFixture {
protected:
    void SetUp() override
    {
        SaleFixture::SetUp();
        iniFileName = TestEnvironment::root() + QStringLiteral("/config/pcQUIBA.ini");
        QDir().mkpath(TestEnvironment::root() + QStringLiteral("/config"));
        QFile::remove(iniFileName);
        ProcessState& state = ProcessState::instance();
        state.initialised = true;
        state.versionString = QStringLiteral("VB.01.02.03");
        state.ini = std::make_shared<clsINIFile>();
        state.ini->setFileName(iniFileName);
    }

    void TearDown() override
    {
        apis.clear();
        TickCount::setSource({});
        QFile::remove(iniFileName);
        SaleFixture::TearDown();
    }

    // A new API object with the recording sink advised; the engine it started is `engine`.
    API& makeAPI()
    {
        apis.push_back(std::make_unique<API>());
        API& api = *apis.back();
        api.advise(&sink);
        engine = FakeRulesEngine::last();
        return api;
    }

    // One API object over a running engine with an empty basket; records start empty.
    API& readyAPI()
    {
        API& api = makeAPI();
        engine->ensureBasket();
        clearRecords();
        sink.events.clear();
        errorHandler->events.clear();
        return api;
    }

    void writeIni(const QByteArray& text)
    {
        ASSERT_TRUE(TestFiles::write(iniFileName, text));
    }

    QString iniFileName;
    std::vector<std::unique_ptr<API>> apis;
    RecordingAPISink sink;
};
