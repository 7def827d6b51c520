#include "CustomerScreen.h"
#include "EngineEventLog.h"
#include "ScriptedCustomer.h"
#include "SimulatedRoot.h"
#include "SimulatedRulesEngine.h"
#include "api/SurrenderReason.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "support/XmlReaderNoEvents.h"
#include "support/clsXMLReader.h"
#include "support/clsZlib.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

class SimulatedRulesEngineTest : public ::testing::Test {
protected:
    // A started engine, assigned unless told otherwise.
    std::shared_ptr<SimulatedRulesEngine> start(bool assigned = true)
    {
        auto engine = std::make_shared<SimulatedRulesEngine>();
        engine->setEventSink(&events);
        engine->Initialise(false);
        if (assigned) {
            QString message;
            bool force = false;
            engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), SimulatedRoot::goodCode1(),
                            SimulatedRoot::goodCode2(), force);
        }
        settle();
        events.lines.clear();
        return engine;
    }

    static void settle()
    {
        for (int round = 0; round < 20; ++round) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
    }

    static QByteArray fileBytes(const QString& fileName)
    {
        QFile file(fileName);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    SimulatedRoot root;
    EngineEventLog events;
};

TEST_F(SimulatedRulesEngineTest, StartTellsTheAutomationTimeOut)
{
    auto engine = std::make_shared<SimulatedRulesEngine>();
    engine->setEventSink(&events);
    engine->Initialise(true);
    EXPECT_TRUE(events.lines.isEmpty());
    ASSERT_TRUE(events.waitFor(QStringLiteral("SetOLETimeout")));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("SetOLETimeout 15000")});
}

TEST_F(SimulatedRulesEngineTest, TheHostAcceptsOnlyWellFormedAssignments)
{
    const struct {
        const char* hardwareId;
        const char* code1;
        const char* code2;
        bool accepted;
        const char* message;
    } cases[] = {
        {"KIOSK-1", "123455", "7", true, "Terminal assigned to account SIM-123455"},
        {"KIOSK-1", "123456", "7", false, "Assignment code 1 is not valid"},
        {"KIOSK-1", "12345", "7", false, "Assignment code 1 is not valid"},
        {"KIOSK-1", "12345\u0665", "7", false, "Assignment code 1 is not valid"},
        {"", "123455", "7", false, "The hardware ID is missing"},
        {"KIOSK-1", "123455", " ", false, "Assignment code 2 is missing"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.code1);
        SimulatedRoot fresh;
        auto engine = std::make_shared<SimulatedRulesEngine>();
        QString message;
        bool force = false;
        EXPECT_EQ(engine->Assign1(message, nullptr, {}, QString::fromUtf8(testCase.hardwareId),
                                  QString::fromUtf8(testCase.code1), QString::fromUtf8(testCase.code2), force),
                  testCase.accepted);
        EXPECT_EQ(message, QString::fromUtf8(testCase.message));
        EXPECT_EQ(engine->AssignRequired(), !testCase.accepted);
    }
}

TEST_F(SimulatedRulesEngineTest, TheAssignmentSurvivesARestartAndMovesOnlyWithForce)
{
    start(true);
    auto restarted = std::make_shared<SimulatedRulesEngine>();
    EXPECT_FALSE(restarted->AssignRequired());

    QString message;
    bool force = false;
    EXPECT_FALSE(restarted->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), QStringLiteral("111115"),
                                    QStringLiteral("x"), force));
    EXPECT_EQ(message, QStringLiteral("Already assigned to account SIM-123455; assign with Force to move it"));
    force = true;
    EXPECT_TRUE(restarted->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), QStringLiteral("111115"),
                                   QStringLiteral("x"), force));
    EXPECT_FALSE(force);
    EXPECT_EQ(message, QStringLiteral("Terminal assigned to account SIM-111115"));
}

TEST_F(SimulatedRulesEngineTest, Assign3UsesTheTerminalsOwnIdentityWhileTheHostSaysOk)
{
    root.set(QStringLiteral("GENERAL"), QStringLiteral("hardware_id"), QStringLiteral("shop-12"));
    root.set(QStringLiteral("HOST"), QStringLiteral("assign"), QStringLiteral("no"));
    QString message;
    EXPECT_FALSE(std::make_shared<SimulatedRulesEngine>()->Assign3(message, {}));
    EXPECT_EQ(message, QStringLiteral("The host refused the assignment"));

    root.set(QStringLiteral("HOST"), QStringLiteral("assign"), QStringLiteral("ok"));
    auto engine = std::make_shared<SimulatedRulesEngine>();
    EXPECT_TRUE(engine->Assign3(message, {}));
    EXPECT_EQ(message, QStringLiteral("Terminal assigned to account SIM-SHOP-12"));
    EXPECT_FALSE(engine->AssignRequired());
}

TEST_F(SimulatedRulesEngineTest, NothingSellsBeforeAssignment)
{
    auto engine = start(false);
    engine->AddItem(QStringLiteral("TN-10"), {Variant()});
    engine->ShowGUI({});
    EXPECT_FALSE(engine->Commit().toBool());
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    settle();
    EXPECT_EQ(events.lines, (QStringList{QStringLiteral("AddItemFailed TN-10 This terminal is not assigned"),
                                         QStringLiteral("Surrender 7 This terminal is not assigned")}));
}

// How a product that needs data is answered, and what the engine says to each answer.
TEST_F(SimulatedRulesEngineTest, AProductThatNeedsDataAsksForItOnItsDeviceAndChecksTheAnswer)
{
    const struct {
        const char* name;
        const char* product;
        QString given; // in AddItem's Data
        QList<Variant> answers;
        bool cancel;
        QStringList expected;
    } cases[] = {
        {"data given with AddItem", "TN-TOPUP", QStringLiteral("0412 345 678"), {}, false,
         {QStringLiteral("StartDevice 1"), QStringLiteral("StopDevice 1"), QStringLiteral("ItemAdded TN-TOPUP")}},
        {"answered inside GetData", "TN-TOPUP", {}, {Variant(QStringLiteral("0412345678"))}, false,
         {QStringLiteral("StartDevice 1"), QStringLiteral("GetData Phone number PHONE 1"), QStringLiteral("StopDevice 1"),
          QStringLiteral("ItemAdded TN-TOPUP")}},
        {"a bad answer, then a good one", "TN-TOPUP", {}, {Variant(QStringLiteral("12ab")), Variant(QStringLiteral("0412345678"))},
         false,
         {QStringLiteral("StartDevice 1"), QStringLiteral("GetData Phone number PHONE 1"),
          QStringLiteral("DataMismatch 1 12ab A phone number has 8 to 15 digits"),
          QStringLiteral("GetData Phone number PHONE 1 A phone number has 8 to 15 digits"), QStringLiteral("StopDevice 1"),
          QStringLiteral("ItemAdded TN-TOPUP")}},
        {"three bad answers", "TN-TOPUP", {}, {Variant(QStringLiteral("1")), Variant(QStringLiteral("2")), Variant(QStringLiteral("3"))},
         false,
         {QStringLiteral("StartDevice 1"), QStringLiteral("GetData Phone number PHONE 1"),
          QStringLiteral("DataMismatch 1 1 A phone number has 8 to 15 digits"),
          QStringLiteral("GetData Phone number PHONE 1 A phone number has 8 to 15 digits"),
          QStringLiteral("DataMismatch 1 2 A phone number has 8 to 15 digits"),
          QStringLiteral("GetData Phone number PHONE 1 A phone number has 8 to 15 digits"),
          QStringLiteral("DataMismatch 1 3 A phone number has 8 to 15 digits"), QStringLiteral("StopDevice 1"),
          QStringLiteral("AddItemFailed TN-TOPUP Too many attempts: A phone number has 8 to 15 digits")}},
        {"cancelled", "TN-TOPUP", {}, {}, true,
         {QStringLiteral("StartDevice 1"), QStringLiteral("GetData Phone number PHONE 1"), QStringLiteral("StopDevice 1"),
          QStringLiteral("AddItemFailed TN-TOPUP Cancelled")}},
        {"a swiped gift card", "ST-GIFT", {}, {Variant(QStringLiteral(";6010123412341234=2912?"))}, false,
         {QStringLiteral("StartDevice 4"), QStringLiteral("GetData Gift card CARD 4"), QStringLiteral("StopDevice 4"),
          QStringLiteral("ItemAdded ST-GIFT")}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto engine = start();
        events.dataAnswers = testCase.answers;
        events.cancelGetData = testCase.cancel;
        engine->AddItem(QString::fromLatin1(testCase.product), {Variant(testCase.given)});
        EXPECT_TRUE(events.lines.isEmpty()) << "events came inside AddItem";
        settle();
        EXPECT_EQ(events.lines, testCase.expected);
        EXPECT_EQ(engine->ActiveDevices(), 0);
    }
}

TEST_F(SimulatedRulesEngineTest, DataInjectedLaterOnTheListeningDeviceCompletesTheItem)
{
    auto engine = start();
    engine->AddItem(QStringLiteral("PZ-GIFT"), {Variant()});
    settle();
    EXPECT_EQ(engine->ActiveDevices(), SimulatedRulesEngine::kCardReader);
    engine->InjectDeviceData(QStringLiteral("6010 1234 1234 1234"), SimulatedRulesEngine::kKeyboard);
    settle();
    EXPECT_TRUE(events.starting(QStringLiteral("ItemAdded")).isEmpty());

    engine->InjectDeviceData(QStringLiteral("%B6010123412349999^DOE/J^2912?"), SimulatedRulesEngine::kCardReader);
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    EXPECT_EQ(engine->ActiveDevices(), 0);
    auto item = std::dynamic_pointer_cast<SimulatedBasketItem>(events.lastAdded);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->data(), QStringLiteral("6010123412349999"));
    EXPECT_EQ(item->Description()->Text(), QStringLiteral("PlayZone Gift Card $20 (...9999)"));
}

TEST_F(SimulatedRulesEngineTest, WhileTheScreenIsUpAScannedProductIdAddsTheProduct)
{
    auto engine = start();
    EXPECT_FALSE(engine->SimpleProduct(QStringLiteral("TN-TOPUP")));
    EXPECT_EQ(engine->ProductSupplier(QStringLiteral("st-3m")), QStringLiteral("Streamly"));
    EXPECT_EQ(engine->ActiveDevices(), 0);
    engine->InjectDeviceData(QStringLiteral("ST-3M"), SimulatedRulesEngine::kBarcodeReader);
    settle();
    EXPECT_TRUE(events.lines.isEmpty());

    engine->ShowGUI({});
    EXPECT_EQ(engine->ActiveDevices(), SimulatedRulesEngine::kBarcodeReader);
    engine->InjectDeviceData(QStringLiteral(" ST-3M "), SimulatedRulesEngine::kBarcodeReader);
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("ItemAdded ST-3M")});
    engine->HideGUI(false, {});
    EXPECT_EQ(engine->ActiveDevices(), 0);
}

TEST_F(SimulatedRulesEngineTest, TheBasketRefusesWhatGoesOverItsLimits)
{
    root.set(QStringLiteral("API"), QStringLiteral("max_basket_items"), QStringLiteral("2"));
    root.set(QStringLiteral("API"), QStringLiteral("max_basket_value"), QStringLiteral("60"));
    auto engine = start();
    for (const char* product : {"TN-50", "ST-1M", "TN-10"})
        engine->AddItem(QString::fromLatin1(product), {Variant()});
    settle();
    EXPECT_EQ(events.lines, (QStringList{QStringLiteral("ItemAdded TN-50"),
                                         QStringLiteral("AddItemFailed ST-1M The basket is full"),
                                         QStringLiteral("ItemAdded TN-10")}));
    EXPECT_TRUE(engine->Basket()->IsFull());
}

TEST_F(SimulatedRulesEngineTest, WhileTheHostWorksTheEngineIsBusyAndRefusesAnInterrupt)
{
    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("host_delay_ms"), QStringLiteral("150"));
    auto engine = start();
    engine->AddItem(QStringLiteral("TN-10"), {Variant()});
    settle();
    engine->ShowGUI({});
    const double before = DateValue::now();
    ASSERT_TRUE(engine->Commit().toBool());
    EXPECT_TRUE(engine->IsBusy());
    EXPECT_GT(engine->Basket()->BusyUntil(), before);
    EXPECT_FALSE(engine->Commit().toBool());
    engine->HideGUI(true, QStringLiteral("Till needs the screen"));
    ASSERT_TRUE(events.waitFor(QStringLiteral("RefuseInterrupt")));
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    EXPECT_FALSE(engine->IsBusy());
    EXPECT_EQ(engine->Basket()->BusyUntil(), 0.0);
    EXPECT_FALSE(engine->RemoveItem(Variant()).toBool());

    engine->HideGUI(true, QStringLiteral("Till needs the screen"));
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(events.starting(QStringLiteral("Surrender")),
              QStringList{QStringLiteral("Surrender 3 Till needs the screen")});
}

TEST_F(SimulatedRulesEngineTest, VouchersCarryThePinAndSerialInThePrintMarkup)
{
    auto engine = start();
    engine->setPOSDeviceID(QStringLiteral("TILL-7"));
    engine->AddItem(QStringLiteral("TN-TOPUP"), {Variant(QStringLiteral("0412345678"))});
    settle();
    engine->Commit();
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    ASSERT_EQ(events.vouchers.size(), 1);
    const QString document = events.vouchers.first();
    EXPECT_EQ(QFileInfo(document).absolutePath(), root.path(QStringLiteral("data/vouchers")));

    auto item = std::dynamic_pointer_cast<SimulatedBasketItem>(engine->Basket()->Items().first());
    ASSERT_TRUE(item && item->pin());
    const QString markup = QString::fromLatin1(fileBytes(document));
    QXmlStreamReader reader(markup);
    QStringList elements;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            elements.append(reader.name().toString());
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(elements.first(), QStringLiteral("document"));
    EXPECT_EQ(elements.last(), QStringLiteral("cut"));
    for (const char* element : {"graphics", "image", "text", "line", "barcode"})
        EXPECT_TRUE(elements.contains(QLatin1StringView(element))) << element;
    EXPECT_TRUE(markup.contains(item->pin()->groupedPin()));
    EXPECT_TRUE(markup.contains(QStringLiteral("<barcode y=\"code128\" h=\"12\" a=\"c\">%1</barcode>").arg(item->pin()->serial)));
    EXPECT_TRUE(markup.contains(QStringLiteral("For: 0412345678")));
    EXPECT_TRUE(markup.contains(QStringLiteral("Terminal TILL-7")));
}

TEST_F(SimulatedRulesEngineTest, WithCompressionVouchersAreOneZlibStreamNamedWithTheExtension)
{
    root.set(QStringLiteral("HOST"), QStringLiteral("compression"), QStringLiteral("ZLIB"));
    root.set(QStringLiteral("FILES"), QStringLiteral("compressed_ext"), QStringLiteral(".gz"));
    auto engine = start();
    engine->AddItem(QStringLiteral("ST-1M"), {Variant()});
    settle();
    engine->Commit();
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    ASSERT_EQ(events.vouchers.size(), 1);
    const QString document = events.vouchers.first();
    EXPECT_TRUE(document.endsWith(QStringLiteral(".xml.gz")));
    clsZlib zlib;
    EXPECT_TRUE(zlib.IsCompressed(document));
    EXPECT_TRUE(zlib.Read(document).startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document")));
}

// Collects the text of every text element, as the printing side reads a voucher.
class VoucherTexts : public XmlReaderNoEvents {
public:
    void startElement(const QString&, const QString& localName, const QString&, const Dictionary&) override
    {
        if (localName == QLatin1StringView("text"))
            current.clear();
    }
    void characters(const QString& text, qint32 start, qint32 length) override { current += text.mid(start - 1, length); }
    void endElement(const QString&, const QString& localName, const QString&) override
    {
        if (localName == QLatin1StringView("text"))
            texts.append(current);
    }
    void endDocument() override { ended = true; }

    QString current;
    QStringList texts;
    bool ended = false;
};

TEST_F(SimulatedRulesEngineTest, PcquibasOwnReaderReadsEveryVoucherWithItsAccentsPlainOrCompressed)
{
    root.writeCatalogue(QStringLiteral("<catalogue><supplier id=\"cafe\" name=\"Caf\u00e9 R\u00e9seau\">"
                                       "<product id=\"C5\" name=\"Cr\u00e9dit \u20ac5 &amp; more\" price=\"5\" kind=\"pin\"/>"
                                       "</supplier></catalogue>").toUtf8());
    for (const char* compression : {"NONE", "ZLIB"}) {
        SCOPED_TRACE(compression);
        root.set(QStringLiteral("HOST"), QStringLiteral("compression"), QString::fromLatin1(compression));
        auto engine = start();
        engine->AddItem(QStringLiteral("C5"), {Variant()});
        settle();
        engine->Commit();
        ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
        clsZlib zlib;
        VoucherTexts texts;
        clsXMLReader reader(&texts);
        reader.Parse(zlib.Read(events.vouchers.last()));
        EXPECT_TRUE(texts.ended);
        ASSERT_GE(texts.texts.size(), 2);
        EXPECT_EQ(texts.texts.at(0), QStringLiteral("Caf\u00e9 R\u00e9seau"));
        EXPECT_EQ(texts.texts.at(1), QStringLiteral("Cr\u00e9dit \u20ac5 & more"));
        events.lines.clear();
    }
}

TEST_F(SimulatedRulesEngineTest, TheCustomerScreenHandsBackWithTheReasonForHowTheSaleEnded)
{
    const struct {
        const char* name;
        std::function<void(CustomerScreen&)> act;
        QString surrender;
        int itemsKept;
    } cases[] = {
        {"pay", [](CustomerScreen& screen) { screen.pressPay(); }, QStringLiteral("Surrender 5 Payment complete"), 1},
        {"cancel", [](CustomerScreen& screen) { screen.pressCancel(); },
         QStringLiteral("Surrender 2 Cancelled by the customer"), 0},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto engine = start();
        engine->ShowGUI({});
        ASSERT_TRUE(engine->screen()->isVisible());
        ASSERT_TRUE(engine->screen()->chooseProduct(QStringLiteral("PZ-15")));
        ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
        QCoreApplication::processEvents();
        testCase.act(*engine->screen());
        ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
        EXPECT_EQ(events.starting(QStringLiteral("Surrender")), QStringList{testCase.surrender});
        ASSERT_NE(engine->Basket(), nullptr);
        EXPECT_EQ(engine->Basket()->Count(), testCase.itemsKept);
        EXPECT_FALSE(engine->screen()->isVisible());
    }
}

// A Sovereign checks for a basket before it shows the screen or adds an item, so there is always
// an open one: from the start, and fresh after a clear, even of a committed sale.
TEST_F(SimulatedRulesEngineTest, AnOpenEmptyBasketIsReadyFromTheStartAndAfterAClear)
{
    root.set(QStringLiteral("API"), QStringLiteral("max_basket_items"), QStringLiteral("1"));
    auto engine = start();
    const auto expectOpenAndEmpty = [&] {
        ASSERT_NE(engine->Basket(), nullptr);
        EXPECT_EQ(engine->Basket()->Count(), 0);
        EXPECT_FALSE(engine->Basket()->IsCommitted());
        EXPECT_FALSE(engine->Basket()->IsFull());
    };
    expectOpenAndEmpty();
    engine->AddItem(QStringLiteral("TN-10"), {Variant()});
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    ASSERT_EQ(engine->Commit().toBool(), true);
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    ASSERT_TRUE(engine->Basket()->IsCommitted());
    const auto committed = engine->Basket();
    engine->ClearBasket();
    EXPECT_NE(engine->Basket(), committed);
    expectOpenAndEmpty();
}

TEST_F(SimulatedRulesEngineTest, ACustomerWhoWalksAwayTimesOutAndTheSaleIsDropped)
{
    root.set(QStringLiteral("CHECKOUT"), QStringLiteral("checkout_timeout"), QStringLiteral("1"));
    auto engine = start();
    engine->ShowGUI({});
    engine->AddItem(QStringLiteral("TN-TOPUP"), {Variant()});
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(events.lines.last(), QStringLiteral("Surrender 1 The customer did not finish in time"));
    EXPECT_TRUE(events.lines.contains(QStringLiteral("AddItemFailed TN-TOPUP Timed out")));
    ASSERT_NE(engine->Basket(), nullptr);
    EXPECT_EQ(engine->Basket()->Count(), 0);
    EXPECT_EQ(engine->ActiveDevices(), 0);
}

TEST_F(SimulatedRulesEngineTest, TheScriptedCustomerRunsAWholeSaleDownToTheVoucherFiles)
{
    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script"),
             QStringLiteral("choose TN-10, choose TN-TOPUP, type 0412345678, ok, choose ST-GIFT, "
                            "swipe ;6010555566667777=3001?, remove 1, pay"));
    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script_step_ms"), QStringLiteral("0"));
    auto engine = start();
    engine->ShowGUI({});
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(events.lines,
              (QStringList{QStringLiteral("ItemAdded TN-10"), QStringLiteral("StartDevice 1"),
                           QStringLiteral("GetData Phone number PHONE 1"), QStringLiteral("StopDevice 1"),
                           QStringLiteral("ItemAdded TN-TOPUP"), QStringLiteral("StartDevice 4"),
                           QStringLiteral("GetData Gift card CARD 4"), QStringLiteral("StopDevice 4"),
                           QStringLiteral("ItemAdded ST-GIFT"), QStringLiteral("ItemRemoved TN-10"),
                           QStringLiteral("VoucherAvailable"), QStringLiteral("VoucherAvailable"),
                           QStringLiteral("BasketCommitted 2"), QStringLiteral("Surrender 5 Payment complete")}));
    for (const QString& voucher : events.vouchers)
        EXPECT_TRUE(QFileInfo::exists(voucher)) << voucher.toStdString();
    EXPECT_EQ(engine->scriptedCustomer()->stepsDone(), 8);
}

TEST_F(SimulatedRulesEngineTest, AScriptPutIntoTheIniFileAfterTheStartIsFollowedAtTheNextShowing)
{
    auto engine = start();
    engine->ShowGUI({});
    EXPECT_EQ(engine->scriptedCustomer(), nullptr);
    engine->HideGUI(false, {});

    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script"), QStringLiteral("choose TN-10, pay"));
    root.set(QStringLiteral("SIMULATOR"), QStringLiteral("script_step_ms"), QStringLiteral("0"));
    engine->ShowGUI({});
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(events.lines.last(), QStringLiteral("Surrender 5 Payment complete"));
    EXPECT_TRUE(events.lines.contains(QStringLiteral("ItemAdded TN-10")));
}

TEST(ScriptedCustomerTest, ReadsStepsAndRefusesWhatItCannotDo)
{
    using Verb = ScriptedCustomer::Verb;
    QString error;
    EXPECT_EQ(ScriptedCustomer::parse(QStringLiteral(" choose TN-10 ,TYPE 0412, ok,, wait 500, pay"), error),
              (QList<ScriptedCustomer::Step>{{Verb::Choose, QStringLiteral("TN-10")},
                                             {Verb::Type, QStringLiteral("0412")},
                                             {Verb::Ok, {}},
                                             {Verb::Wait, QStringLiteral("500")},
                                             {Verb::Pay, {}}}));
    EXPECT_TRUE(error.isEmpty());

    const struct {
        const char* script;
        const char* error;
    } bad[] = {
        {"choose", "step \"choose\" needs a value"},
        {"pay now", "step \"pay now\" takes no value"},
        {"dance", "unknown step \"dance\""},
    };
    for (const auto& testCase : bad) {
        error.clear();
        EXPECT_TRUE(ScriptedCustomer::parse(QString::fromLatin1(testCase.script), error).isEmpty());
        EXPECT_EQ(error, QString::fromLatin1(testCase.error));
    }
}

} // namespace
