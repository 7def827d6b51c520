#include "api/APIFixture.h"

#include "api/Basket.h"
#include "services/QuibaErrors.h"
#include "common/TestEventLoop.h"
#include "controller/RulesEngineEvents.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class APIRelayTest : public APIFixture {
protected:
    RulesEngineEvents& engineEvents() { return *engine->sink(); }
};

TEST_F(APIRelayTest, EveryEventIsRaisedBetweenItsCallAndEndLines)
{
    API& api = readyAPI();
    frmController& controller = frmController::instance();
    const struct {
        std::function<void()> fire;
        QStringList lines;
        QString event;
    } cases[] = {
        {[&] { engineEvents().RefuseInterrupt(); },
         {u"EVENT: RefuseInterrupt()"_s, u" --> END EVENT: RefuseInterrupt"_s}, u"RefuseInterrupt()"_s},
        {[&] { engineEvents().StartDevice(4); }, {u"EVENT: StartDevice(4)"_s, u" --> END EVENT: StartDevice"_s},
         u"StartDevice(4)"_s},
        {[&] { engineEvents().StopDevice(4); }, {u"EVENT: StopDevice(4)"_s, u" --> END EVENT: StopDevice"_s},
         u"StopDevice(4)"_s},
        {[&] { engineEvents().DataMismatch(2, Variant(u"12"_s), u"Too short"_s); },
         {u"EVENT: DataMismatch(2, 12, Too short)"_s, u" --> END EVENT: DataMismatch"_s},
         u"DataMismatch(2, 12, Too short)"_s},
        {[&] { engineEvents().AddItemFailed(u"P9"_s, u"Product not Found"_s); },
         {u"EVENT: AddItemFailed(P9, Product not Found)"_s, u" --> END EVENT: AddItemFailed"_s},
         u"AddItemFailed(P9, Product not Found)"_s},
        {[&] { engineEvents().BasketCommitted(3); },
         {u"EVENT: BasketCommitted(3)"_s, u" --> END EVENT: BasketCommitted"_s}, u"BasketCommitted(3)"_s},
        {[&] { engineEvents().BasketSuspended(u"H1"_s); },
         {u"EVENT: BasketSuspended(H1)"_s, u" --> END EVENT: BasketSuspended"_s}, u"BasketSuspended(H1)"_s},
        {[&] { engineEvents().SuspendFailed(u"No"_s); },
         {u"EVENT: SuspendFailed(No)"_s, u" --> END EVENT: SuspendFailed"_s}, u"SuspendFailed(No)"_s},
        {[&] { engineEvents().ResumeComplete(2); },
         {u"EVENT: ResumeComplete(2)"_s, u" --> END EVENT: ResumeComplete"_s}, u"ResumeComplete(2)"_s},
        {[&] { engineEvents().ResumeFailed(u"H1"_s, u"Gone"_s); },
         {u"EVENT: ResumeFailed(H1, Gone)"_s, u" --> END EVENT: ResumeFailed"_s}, u"ResumeFailed(H1, Gone)"_s},
        {[&] { controller.RaiseClosing(u"Update"_s); }, {u"EVENT: Closing(Update)"_s, u" --> END EVENT: Closing"_s},
         u"Closing(Update)"_s},
        // The print events have no end line.
        {[&] { controller.RaisePrintBegin(2); }, {u"EVENT: PrintBegin(2)"_s}, u"PrintBegin(2)"_s},
        {[&] { controller.RaisePrintVoucher(u"Center"_s); }, {u"EVENT: PrintVoucher(Center)"_s},
         u"PrintVoucher(Center)"_s},
        {[&] { controller.RaisePrintText(u"A"_s, u"B"_s, 1, 2, u"Left"_s, 3, u"Total"_s); },
         {u"EVENT: PrintText(Total)"_s}, u"PrintText(Total)"_s},
        {[&] { controller.RaisePrintLine(40); }, {u"EVENT: PrintLine(40)"_s}, u"PrintLine(40)"_s},
        {[&] { controller.RaisePrintBarcode(u"QR"_s, 4, 4, u"Center"_s, u"1234"_s); },
         {u"EVENT: PrintBarcode(QR, 1234)"_s}, u"PrintBarcode(QR, 1234)"_s},
        {[&] { controller.RaisePrintGraphicsBegin(u"Top"_s); }, {u"EVENT: PrintGraphicsBegin(Top)"_s},
         u"PrintGraphicsBegin(Top)"_s},
        {[&] { controller.RaisePrintImage(u"Left"_s, u"logo.bmp"_s); }, {u"EVENT: PrintImage(Left, logo.bmp)"_s},
         u"PrintImage(Left)"_s},
        {[&] { controller.RaisePrintGraphicsEnd(); }, {u"EVENT: PrintGraphicsEnd()"_s}, u"PrintGraphicsEnd()"_s},
        {[&] { bool half = true; controller.RaisePrintCut(half); }, {u"EVENT: PrintCut(True)"_s},
         u"PrintCut(True)"_s},
        {[&] { controller.RaisePrintVoucherEnd(); }, {u"EVENT: PrintVoucherEnd()"_s}, u"PrintVoucherEnd()"_s},
        {[&] { controller.RaisePrintEnd(); }, {u"EVENT: PrintEnd()"_s}, u"PrintEnd()"_s},
    };
    for (const auto& c : cases) {
        logger->lines.clear();
        sink.events.clear();
        c.fire();
        EXPECT_EQ(traceLines(), c.lines);
        EXPECT_EQ(sink.events, QStringList{c.event});
    }
    EXPECT_EQ(logger->lines.size(), traceLines().size());

    // The controller's Ready is no event of the Sovereign's.
    logger->lines.clear();
    sink.events.clear();
    api.Ready();
    EXPECT_TRUE(logger->lines.isEmpty());
    EXPECT_TRUE(sink.events.isEmpty());
}

TEST_F(APIRelayTest, GetDataIsAnsweredThroughTheParametersOrByInjection)
{
    API& api = readyAPI();
    const struct {
        const char* name;
        std::function<void(Variant&, bool&)> handler;
        Variant data;
        bool cancel;
        QString endLine;
    } cases[] = {
        {"handler leaves nothing", [](Variant&, bool&) {}, Variant(u"old"_s), false,
         u" --> END EVENT: GetData (returned: Data = old, Cancel = False)"_s},
        {"handler sets Data", [](Variant& data, bool&) { data = Variant(u"4321"_s); }, Variant(u"4321"_s), false,
         u" --> END EVENT: GetData (returned: Data = 4321, Cancel = False)"_s},
        {"handler sets Cancel", [](Variant&, bool& cancel) { cancel = true; }, Variant(u"old"_s), true,
         u" --> END EVENT: GetData (returned: Data = old, Cancel = True)"_s},
        {"injection wins over Data",
         [&](Variant& data, bool&) {
             data = Variant(u"handler"_s);
             api.InjectData(Variant(u"1234"_s));
         },
         Variant(u"1234"_s), false, u" --> END EVENT: GetData (returned: Data = 1234, Cancel = False)"_s},
        {"InjectCancel True wins over an injection",
         [&](Variant&, bool&) {
             api.InjectData(Variant(u"1234"_s));
             api.InjectCancel(true);
         },
         Variant(u"old"_s), true, u" --> END EVENT: GetData (returned: Data = old, Cancel = True)"_s},
        {"InjectCancel False leaves the injection",
         [&](Variant&, bool&) {
             api.InjectData(Variant(u"1234"_s));
             api.InjectCancel(false);
         },
         Variant(u"1234"_s), false, u" --> END EVENT: GetData (returned: Data = 1234, Cancel = False)"_s},
        {"InjectCancel False leaves the handler's Cancel",
         [&](Variant&, bool& cancel) {
             cancel = true;
             api.InjectCancel(false);
         },
         Variant(u"old"_s), true, u" --> END EVENT: GetData (returned: Data = old, Cancel = True)"_s},
    };
    for (const auto& c : cases) {
        logger->lines.clear();
        sink.onGetData = c.handler;
        const FakeRulesEngine::GetDataAnswer answer =
            engine->raiseGetData(u"Card"_s, u"Text"_s, 4, u"Swipe again"_s, Variant(u"old"_s));
        EXPECT_EQ(answer.data, c.data) << c.name;
        EXPECT_EQ(answer.cancel, c.cancel) << c.name;
        EXPECT_EQ(traceLines().first(), u"EVENT: GetData(Card, Text, Swipe again, old)"_s) << c.name;
        EXPECT_EQ(traceLines().last(), c.endLine) << c.name;
    }
    // An injection inside the event is its answer, never a deferred one.
    TestEventLoop::runPending();
    EXPECT_TRUE(engine->injectedData.isEmpty());
    EXPECT_EQ(sink.events.first(), u"GetData(Card, Text, 4, Swipe again)"_s);

    // The flags end with the event: a cancel left over does not touch the next request.
    sink.onGetData = [&](Variant&, bool&) {};
    api.InjectCancel(true);
    EXPECT_FALSE(engine->raiseGetData(u"Card"_s, u"Text"_s, 4).cancel);
}

TEST_F(APIRelayTest, ARequestInsideAHandlerLeavesTheOuterRequestOpen)
{
    API& api = readyAPI();
    engine->activeDevices = 0;
    FakeRulesEngine::GetDataAnswer inner{};
    int depth = 0;
    sink.onGetData = [&](Variant&, bool&) {
        if (++depth == 1) {
            // The handler calls into the engine, which asks for more data at once.
            inner = engine->raiseGetData(u"Pin"_s, u"Text"_s, 1);
            api.InjectData(Variant(u"outer"_s));
        } else {
            api.InjectData(Variant(u"inner"_s));
        }
    };
    const FakeRulesEngine::GetDataAnswer outer = engine->raiseGetData(u"Card"_s, u"Text"_s, 1);
    EXPECT_EQ(inner.data, Variant(u"inner"_s));
    EXPECT_EQ(outer.data, Variant(u"outer"_s));
    EXPECT_FALSE(outer.cancel);

    // Once both are over, an injection is deferred again (and refused: no device listens).
    EXPECT_EQ(errorOf([&] { api.InjectData(Variant(u"late"_s), 1); }).number(), quibaBadDevice);
}

TEST_F(APIRelayTest, AnInjectionAnswersOnlyTheObjectItWasMadeOn)
{
    API& first = readyAPI();
    API& second = makeAPI();
    RecordingAPISink secondSink;
    second.advise(&secondSink);
    second.unadvise(&sink);
    engine->activeDevices = 1;
    sink.onGetData = [&](Variant&, bool&) { second.InjectData(Variant(u"from second"_s), 1); };
    secondSink.onGetData = [](Variant&, bool&) {};

    // The first object's handler injects through the second one, whose own request has not
    // begun: that is an ordinary deferred injection, and neither request is answered by it.
    const FakeRulesEngine::GetDataAnswer answer = engine->raiseGetData(u"Pin"_s, u"Text"_s, 1);
    EXPECT_TRUE(answer.data.isEmpty());
    EXPECT_FALSE(answer.cancel);
    EXPECT_EQ(secondSink.events, QStringList{u"GetData(Pin, Text, 1, )"_s});
    TestEventLoop::runPending();
    EXPECT_EQ(engine->injectedData, (QList<QPair<QString, qint32>>{{u"from second"_s, 1}}));

    // Injected through the object in its own request, it is the answer.
    engine->injectedData.clear();
    sink.onGetData = [&](Variant&, bool&) { first.InjectData(Variant(u"from first"_s)); };
    EXPECT_EQ(engine->raiseGetData(u"Pin"_s, u"Text"_s, 1).data, Variant(u"from first"_s));
}

TEST_F(APIRelayTest, ItemAddedIsCancelledByTheHandlerOrByInjectCancel)
{
    API& api = readyAPI();
    const struct {
        const char* name;
        std::function<void(bool&)> handler;
        bool cancelled;
    } cases[] = {
        {"kept", [](bool&) {}, false},
        {"Cancel set", [](bool& cancel) { cancel = true; }, true},
        {"InjectCancel True", [&](bool&) { api.InjectCancel(true); }, true},
        {"InjectCancel False", [&](bool&) { api.InjectCancel(false); }, false},
    };
    for (const auto& c : cases) {
        // A cancel made before the event has no effect on it.
        api.InjectCancel(true);
        logger->lines.clear();
        sink.onItemAdded = c.handler;
        auto item = engine->ensureBasket().addItem(u"P1"_s);
        item->description = u"Phone card"_s;
        EXPECT_EQ(engine->raiseItemAdded(item), c.cancelled) << c.name;

        const QList<RecordingLogger::Line> expectedEnd{
            c.cancelled ? RecordingLogger::Line{u" --> END EVENT: ItemAdded (Cancelled by Sovereign!)"_s, 2}
                        : RecordingLogger::Line{u" --> END EVENT: ItemAdded"_s, 1}};
        EXPECT_EQ(logger->lines.mid(logger->lines.size() - 1), expectedEnd) << c.name;
        EXPECT_TRUE(traceLines().contains(u"EVENT: ItemAdded(P1 = Phone card)"_s)) << c.name;
    }
}

TEST_F(APIRelayTest, ItemRemovedAndVoucherAvailableNameTheirObject)
{
    API& api = readyAPI();
    auto item = engine->ensureBasket().addItem(u"P2"_s);
    item->description = u"Top-up"_s;
    engine->raiseItemRemoved(item);
    EXPECT_TRUE(traceLines().contains(u"EVENT: ItemRemoved(P2=Top-up)"_s));
    EXPECT_EQ(traceLines().last(), u" --> END EVENT: ItemRemoved"_s);

    const QString fileName = TestEnvironment::root() + u"/data/relay-voucher.xml"_s;
    QDir().mkpath(TestEnvironment::root() + u"/data"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(PCQUIBA_TEST_DATA) + u"/vouchers/sample.xml"_s, fileName)
                || QFile::exists(fileName));
    logger->lines.clear();
    engineEvents().VoucherAvailable(fileName);
    EXPECT_TRUE(traceLines().contains(u"EVENT: VoucherAvailable("_s + fileName + u')'));
    EXPECT_EQ(traceLines().last(), u" --> END EVENT: VoucherAvailable"_s);
    ASSERT_EQ(sink.vouchers.size(), 1);
    EXPECT_EQ(sink.vouchers.first()->path(), fileName);
    QFile::remove(fileName);

    // Nothing in place of an object costs the event its line, not the event itself.
    std::shared_ptr<BasketItem> noItem;
    std::shared_ptr<Voucher> noVoucher;
    bool cancel = false;
    logger->lines.clear();
    sink.events.clear();
    api.ItemAdded(noItem, cancel);
    api.ItemRemoved(noItem);
    api.VoucherAvailable(noVoucher);
    EXPECT_EQ(traceLines(), (QStringList{u" --> END EVENT: ItemAdded"_s, u" --> END EVENT: ItemRemoved"_s,
                                         u" --> END EVENT: VoucherAvailable"_s}));
    EXPECT_EQ(sink.events, (QStringList{u"ItemAdded(nothing)"_s, u"ItemRemoved()"_s, u"VoucherAvailable()"_s}));
}

TEST_F(APIRelayTest, SurrenderBringsTheSovereignForwardOnlyWithAHandle)
{
    API& api = readyAPI();
    engineEvents().Surrender(5, u"Paid"_s);
    EXPECT_EQ(traceLines(), (QStringList{u"EVENT: Surrender(5, Paid)"_s, u" --> END EVENT: Surrender"_s}));

    api.setSovereignHWnd(0x2a00007);
    logger->lines.clear();
    engineEvents().Surrender(2, u"Cancelled"_s);
    EXPECT_EQ(traceLines(), (QStringList{u"EVENT: Surrender(2, Cancelled)"_s, u"SetForegroundWindow(44040199)"_s,
                                         u" --> END EVENT: Surrender"_s}));
    EXPECT_EQ(sink.events, (QStringList{u"Surrender(5, Paid)"_s, u"Surrender(2, Cancelled)"_s}));
}

TEST_F(APIRelayTest, InjectDataOutsideARequestIsDeferredToAListeningDevice)
{
    API& api = readyAPI();
    engine->activeDevices = 0b0110;

    const struct {
        std::optional<qint32> device;
        bool accepted;
    } cases[] = {{std::nullopt, false}, {0, false}, {1, false}, {8, false}, {2, true}, {4, true}, {-1, true}};
    for (const auto& c : cases) {
        const AutomationError error = errorOf([&] { api.InjectData(Variant(u"5555"_s), c.device); });
        EXPECT_EQ(error.number(), c.accepted ? 0 : quibaBadDevice) << c.device.value_or(-99);
        if (!c.accepted) {
            EXPECT_EQ(error.description(), u"Invalid or Unexpected Device Number"_s);
        }
        TestEventLoop::runPending();
    }
    EXPECT_EQ(engine->injectedData.size(), 3);

    // The engine gets the data after the call has returned.
    engine->injectedData.clear();
    logger->lines.clear();
    api.InjectData(Variant(u"9876"_s), 4);
    EXPECT_TRUE(engine->injectedData.isEmpty());
    EXPECT_EQ(traceLines(), QStringList{u"CALL: API.InjectData(9876)"_s});
    TestEventLoop::runPending();
    EXPECT_EQ(engine->injectedData, (QList<QPair<QString, qint32>>{{u"9876"_s, 4}}));
}

TEST_F(APIRelayTest, HostileDeviceDataNeverBreaksTheObject)
{
    API& api = readyAPI();
    engine->activeDevices = 1;
    const QString huge(8 * 1024 * 1024, u'9');
    QString binary;
    for (int code = 0; code < 256; ++code)
        binary.append(QChar(code));
    binary.append(QChar(0xD800)); // a lone surrogate
    const Variant values[] = {Variant(huge), Variant(binary), Variant::null()};
    // An array or an object has no text for the call line: the Sovereign gets a type mismatch.
    const Variant refused[] = {
        Variant(VariantArray{Variant(qint16(1)), Variant(qint16(255))}),
        Variant(ObjectRef(std::make_shared<Dictionary>())),
    };
    for (const Variant& value : values) {
        api.InjectData(value, 1);
        TestEventLoop::runPending();
    }
    for (const Variant& value : refused)
        EXPECT_EQ(errorOf([&] { api.InjectData(value, 1); }).description(), u"General Error: Type mismatch"_s);
    // Text reaches the engine whole; Null has no text and is dropped by the controller.
    ASSERT_EQ(engine->injectedData.size(), 2);
    EXPECT_EQ(engine->injectedData.at(0).first, huge);
    EXPECT_EQ(engine->injectedData.at(1).first, binary);

    // Inside a request the same values come back as the answer, and the refused ones leave it be.
    for (const Variant& value : values) {
        sink.onGetData = [&](Variant&, bool&) { api.InjectData(value); };
        const FakeRulesEngine::GetDataAnswer answer = engine->raiseGetData(u"N"_s, u"T"_s, 1);
        // Null is no answer: the request keeps what it had.
        EXPECT_TRUE(value.isNull() ? answer.data.isEmpty() : answer.data == value) << value.typeName().toStdString();
    }
    for (const Variant& value : refused) {
        sink.onGetData = [&](Variant&, bool&) { api.InjectData(value); };
        EXPECT_TRUE(engine->raiseGetData(u"N"_s, u"T"_s, 1).data.isEmpty()) << value.typeName().toStdString();
    }
    EXPECT_TRUE(api.IsReady());
}

TEST_F(APIRelayTest, AHandlerThatFailsOnEveryEventDoesNotStopTheRelay)
{
    API& api = readyAPI();
    ThrowingAPISink failing;
    RecordingAPISink second;
    api.unadvise(&sink);
    api.advise(&failing);
    api.advise(&second);
    engine->products = {u"P1"_s};

    api.UserInterface();
    VariantArray noData;
    api.Basket()->AddItem(u"P1"_s, noData);
    TestEventLoop::runPending();
    engineEvents().StartDevice(1);
    engine->raiseGetData(u"Pin"_s, u"Text"_s, 1);
    EXPECT_TRUE(api.Basket()->Commit());
    bool half = false;
    frmController::instance().RaisePrintBegin(1);
    frmController::instance().RaisePrintText(u"A"_s, u""_s, 1, 1, u"Left"_s, 0, u"Thanks"_s);
    frmController::instance().RaisePrintCut(half);
    frmController::instance().RaisePrintEnd();
    engineEvents().Surrender(5, u"Paid"_s);

    const QStringList expected{u"ItemAdded(P1)"_s, u"StartDevice(1)"_s,  u"GetData(Pin, Text, 1, )"_s,
                               u"BasketCommitted(1)"_s, u"PrintBegin(1)"_s, u"PrintText(Thanks)"_s,
                               u"PrintCut(False)"_s, u"PrintEnd()"_s, u"Surrender(5, Paid)"_s};
    EXPECT_EQ(failing.events, expected);
    EXPECT_EQ(second.events, expected);
    for (const char* end : {"ItemAdded", "StartDevice", "BasketCommitted", "Surrender"})
        EXPECT_TRUE(traceLines().contains(u" --> END EVENT: "_s + QLatin1String(end))) << end;
    EXPECT_TRUE(traceLines().contains(u" --> END EVENT: GetData (returned: Data = , Cancel = False)"_s));
    EXPECT_EQ(engine->ensureBasket().Count(), 1);
}

} // namespace
