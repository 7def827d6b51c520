// A whole sale as a Sovereign runs it: the simulated engine loaded as the shipped plugin behind
// the controller, the scripted customer at the screen, data injected the way a Sovereign does
// (the controller's arguments and a posted click), then the vouchers printed through the
// receipt printer into the data folder.

#include "SimulatedRoot.h"
#include "api/Basket.h"
#include "api/SaleObjects.h"
#include "api/UserInterface.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"
#include "services/ProcessState.h"
#include "components/BuiltInComponents.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "controller/RecordingControllerListener.h"
#include "controller/frmController.h"
#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"
#include "platform/ComponentPluginLoader.h"
#include "support/modTouchTools.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kPhone = QStringLiteral("0412345678");
const QString kShortPhone = QStringLiteral("12");

// Keeps every voucher the controller hands out, in order.
class SaleListener : public RecordingControllerListener {
public:
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override
    {
        RecordingControllerListener::VoucherAvailable(voucher);
        vouchers.append(voucher);
    }

    QList<std::shared_ptr<Voucher>> vouchers;
};

class CompleteSaleTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script"),
                 QStringLiteral("choose TN-10, choose TN-TOPUP, wait 300, pay"));
        root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script_step_ms"), QStringLiteral("50"));
        root.set(QStringLiteral("SIMULATOR"), QStringLiteral("host_delay_ms"), QStringLiteral("100"));
        root.set(QStringLiteral("PRINTER"), QStringLiteral("class"), QStringLiteral("QuibaPrint.ReceiptPrinter"));
        root.set(QStringLiteral("PRINTER"), QStringLiteral("printer_type"), QStringLiteral("pdf"));
        startProcess();

        BuiltInComponents::registerAll();
        ASSERT_TRUE(ComponentPluginLoader::loadFile(QStringLiteral(PCQUIBA_COMPONENTS_DIR "/libquiba_simulated.so")));
        ComponentPluginLoader::takeMessages();
        SaleObjects::install();
        listener.afterEvent = [this] { answer(); };
    }

    void TearDown() override
    {
        if (frmController::isLoaded()) {
            frmController::instance().unadvise(&listener);
            frmController::unload();
        }
        settle(50);
        frmController::setSaleObjectFactories({}, {});
        BuiltInComponents::registerAll();
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    // What start-up reads from the INI file, and the sample logo where the vouchers find it.
    void startProcess()
    {
        ProcessState& state = ProcessState::instance();
        state.ini = std::make_shared<clsINIFile>();
        state.ini->setFileName(root.iniFile());
        state.dataPath = IniLocation::iniGetPath(state.ini.get(), IniKeys::DataPath);
        state.logoPath = IniLocation::iniGetPath(state.ini.get(), IniKeys::LogoPath);
        state.logoExt = IniLocation::iniGetPath(state.ini.get(), IniKeys::LogoExt);
        state.printerClass = state.ini->GetString(QStringLiteral("PRINTER"), QStringLiteral("class"), QString());
        state.initialised = true;
        QDir().mkpath(state.logoPath);
        QFile::copy(QStringLiteral(PCQUIBA_SOURCE_DIR "/data/manifest/logos/logo.png"),
                    QDir(state.logoPath).filePath(QStringLiteral("logo.png")));
    }

    // The Sovereign's side of the events: a data request is answered first with a phone number
    // that is too short, then with a good one, each through the controller's inject click.
    void answer()
    {
        const QString& event = listener.events.last();
        if (event.startsWith(u"GetData(")) {
            frmController& controller = frmController::instance();
            const QString data = ++dataRequests == 1 ? kShortPhone : kPhone;
            controller.Args().setItem(QStringLiteral("Data"), Variant(data));
            controller.Args().setItem(QStringLiteral("Device"), Variant(qint32(1)));
            modTouchTools::PostClick(controller.cmdInjectData());
        }
    }

    static void settle(int milliseconds)
    {
        const QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
    }

    // Runs the event loop until `count` events starting with the prefix have come; false after 20 s.
    bool waitForEvent(const QString& prefix, qsizetype count = 1)
    {
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            if (eventsStarting(prefix).size() >= count)
                return true;
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        return false;
    }

    QStringList eventsStarting(const QString& prefix) const
    {
        QStringList found;
        for (const QString& event : listener.events) {
            if (event.startsWith(prefix))
                found.append(event);
        }
        return found;
    }

    // The sale's events other than the print events and the controller's own.
    QStringList saleEvents() const
    {
        QStringList sale;
        for (const QString& event : listener.events) {
            if (!event.startsWith(u"Print") && event != u"Ready()")
                sale.append(event);
        }
        return sale;
    }

    static QByteArray fileBytes(const QString& fileName)
    {
        QFile file(fileName);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    // The PINs the simulated host issued, in order.
    QStringList issuedPins() const
    {
        QStringList pins;
        const QString text = QString::fromUtf8(fileBytes(ProcessState::instance().dataPath + QStringLiteral("/simulator/issued-pins.txt")));
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            // "delivered <serial>" marks a PIN whose voucher is on the disk.
            if (!line.startsWith(QStringLiteral("delivered ")))
                pins.append(line.section(u' ', 0, 0));
        }
        return pins;
    }

    static QString grouped(const QString& pin)
    {
        QStringList groups;
        for (qsizetype at = 0; at < pin.size(); at += 4)
            groups.append(pin.mid(at, 4));
        return groups.join(u' ');
    }

    // Runs the sale up to the customer's payment: connect, start, assign, show.
    frmController& sellThroughTheScreen()
    {
        frmController& controller = frmController::instance();
        controller.advise(&listener);
        controller.Connect(QStringLiteral("API1")).StartEngine();
        std::shared_ptr<RulesEngine> engine = controller.Engine();
        EXPECT_TRUE(engine);
        if (!engine)
            return controller;

        std::optional<QString> startAt;
        UserInterface userInterface;
        bool refused = false;
        try {
            userInterface.Show(startAt);
        } catch (const AutomationError&) {
            refused = true;
        }
        EXPECT_TRUE(refused) << "the screen came up on a terminal that is not assigned";

        QString message;
        bool force = false;
        EXPECT_TRUE(engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), SimulatedRoot::goodCode1(),
                                    SimulatedRoot::goodCode2(), force));
        EXPECT_EQ(message, QStringLiteral("Terminal assigned to account SIM-123455"));
        EXPECT_FALSE(engine->AssignRequired());

        listener.events.clear();
        userInterface.Show(startAt);
        return controller;
    }

    SimulatedRoot root;
    SaleListener listener;
    int dataRequests = 0;
};

TEST_F(CompleteSaleTest, TheScriptedCustomerBuysTwoVouchersThatArePrintedAsPdf)
{
    sellThroughTheScreen();
    ASSERT_TRUE(waitForEvent(QStringLiteral("Surrender("))) << listener.events.join(u'\n').toStdString();

    const QString mismatch = eventsStarting(QStringLiteral("DataMismatch(")).value(0);
    const QString retryMessage = mismatch.section(QStringLiteral(", "), 2).chopped(1);
    EXPECT_FALSE(retryMessage.isEmpty()) << mismatch.toStdString();
    EXPECT_EQ(saleEvents(), (QStringList{
                                QStringLiteral("ItemAdded(item, False)"),
                                QStringLiteral("StartDevice(1)"),
                                QStringLiteral("GetData(Phone number, PHONE, 1, , , False)"),
                                QStringLiteral("DataMismatch(1, 12, ") + retryMessage + u')',
                                QStringLiteral("GetData(Phone number, PHONE, 1, ") + retryMessage + QStringLiteral(", , False)"),
                                QStringLiteral("StopDevice(1)"),
                                QStringLiteral("ItemAdded(item, False)"),
                                QStringLiteral("VoucherAvailable(voucher)"),
                                QStringLiteral("VoucherAvailable(voucher)"),
                                QStringLiteral("BasketCommitted(2)"),
                                QStringLiteral("Surrender(5, Payment complete)"),
                            }));

    // The basket as the Sovereign reads it after the payment.
    auto basket = std::make_shared<Basket>();
    EXPECT_EQ(basket->Count(), 2);
    EXPECT_TRUE(basket->IsCommitted());
    EXPECT_EQ(basket->TotalPrice(), 35 * 10000);

    // One document per item in the data folder, each with its own PIN.
    const QList<std::shared_ptr<Voucher>>& vouchers = listener.vouchers;
    ASSERT_EQ(vouchers.size(), 2);
    const QStringList pins = issuedPins();
    ASSERT_EQ(pins.size(), 2);
    EXPECT_NE(pins[0], pins[1]);
    const QString vouchersFolder = ProcessState::instance().dataPath + QStringLiteral("/vouchers");
    const struct {
        const char* product;
        const char* data;
    } expected[] = {{"TeleNet $10 PIN", nullptr}, {"TeleNet Top-up $25", "0412345678"}};
    for (int index = 0; index < 2; ++index) {
        SCOPED_TRACE(index);
        Voucher& voucher = *vouchers[index];
        EXPECT_EQ(QFileInfo(voucher.path()).absolutePath(), QFileInfo(vouchersFolder).absoluteFilePath());
        const QString text = voucher.XML();
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected[index].product))) << text.toStdString();
        EXPECT_TRUE(text.contains(grouped(pins[index]))) << text.toStdString();
        EXPECT_TRUE(text.contains(u"code128")) << text.toStdString();
        // No terminal number was given, so none is named.
        EXPECT_TRUE(text.contains(u"Account SIM-123455")) << text.toStdString();
        EXPECT_FALSE(text.contains(u"Terminal")) << text.toStdString();
        if (expected[index].data) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected[index].data))) << text.toStdString();
        }
    }

    // The print events of both documents inside one job.
    listener.events.clear();
    std::optional<bool> sync = true;
    basket->Vouchers()->RaisePrintEvents(sync);
    EXPECT_EQ(eventsStarting(QStringLiteral("PrintBegin(")), QStringList{QStringLiteral("PrintBegin(2)")});
    EXPECT_EQ(eventsStarting(QStringLiteral("PrintEnd(")), QStringList{QStringLiteral("PrintEnd()")});
    EXPECT_EQ(eventsStarting(QStringLiteral("PrintVoucher(")).size(), 2);
    EXPECT_EQ(eventsStarting(QStringLiteral("PrintVoucherEnd(")).size(), 2);
    EXPECT_EQ(eventsStarting(QStringLiteral("PrintBarcode(")).size(), 2);
    ASSERT_FALSE(listener.events.isEmpty());
    EXPECT_EQ(listener.events.first(), QStringLiteral("PrintBegin(2)"));
    EXPECT_EQ(listener.events.last(), QStringLiteral("PrintEnd()"));

    // Each voucher through the receipt printer: a PDF per voucher beside the data.
    for (const std::shared_ptr<Voucher>& voucher : vouchers) {
        voucher->PrintVoucher(sync);
        const QString pdf = ProcessState::instance().dataPath + QStringLiteral("/printed/")
                            + QFileInfo(voucher->path()).completeBaseName() + QStringLiteral(".pdf");
        SCOPED_TRACE(pdf.toStdString());
        const QByteArray bytes = fileBytes(pdf);
        EXPECT_TRUE(bytes.startsWith("%PDF-"));
        EXPECT_GT(bytes.size(), 1000);
    }

    // The top-up voucher once more as a picture of the roll, kept next to the test program.
    root.set(QStringLiteral("PRINTER"), QStringLiteral("printer_type"), QStringLiteral("png"));
    vouchers[1]->PrintVoucher(sync);
    const QString png = ProcessState::instance().dataPath + QStringLiteral("/printed/")
                        + QFileInfo(vouchers[1]->path()).completeBaseName() + QStringLiteral(".png");
    const QImage roll(png);
    ASSERT_FALSE(roll.isNull()) << png.toStdString();
    EXPECT_GT(roll.height(), roll.width());
    roll.save(QCoreApplication::applicationDirPath() + QStringLiteral("/sale-voucher.png"));
}

// The Sovereign clears the paid basket and shows the screen to the next customer, who buys the
// same again: new PINs, never one of the first sale's.
TEST_F(CompleteSaleTest, AfterAClearTheNextCustomerBuysWithNewPins)
{
    sellThroughTheScreen();
    ASSERT_TRUE(waitForEvent(QStringLiteral("Surrender(")));
    auto basket = std::make_shared<Basket>();
    ASSERT_TRUE(basket->IsCommitted());

    basket->Clear();
    EXPECT_EQ(basket->Count(), 0);
    EXPECT_FALSE(basket->IsCommitted());
    std::optional<QString> startAt;
    UserInterface().Show(startAt);
    ASSERT_TRUE(waitForEvent(QStringLiteral("Surrender("), 2)) << listener.events.join(u'\n').toStdString();

    EXPECT_EQ(eventsStarting(QStringLiteral("Surrender(")).last(), QStringLiteral("Surrender(5, Payment complete)"));
    EXPECT_EQ(eventsStarting(QStringLiteral("BasketCommitted(")).size(), 2);
    EXPECT_EQ(listener.vouchers.size(), 4);
    EXPECT_TRUE(basket->IsCommitted());
    EXPECT_EQ(basket->Count(), 2);
    const QStringList pins = issuedPins();
    ASSERT_EQ(pins.size(), 4);
    EXPECT_EQ(QSet<QString>(pins.begin(), pins.end()).size(), 4);
}

} // namespace
