#include "services/ProcessState.h"
#include "common/TestFiles.h"
#include "common/TestEventLoop.h"
#include "components/BuiltInComponents.h"
#include "controller/ConfigurationUtility.h"
#include "controller/PrintQueueTarget.h"
#include "controller/frmController.h"
#include "controller/RecordingControllerListener.h"
#include "fakes/FakeHostConnection.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/ComponentRegistry.h"
#include "support/modTouchTools.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class ControllerTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        FakeRulesEngine::install();
    }

    void TearDown() override
    {
        if (frmController::isLoaded())
            frmController::instance().unadvise(&listener);
        frmController::unload();
        TestEventLoop::runPending();
        frmController::setSaleObjectFactories({}, {});
        frmController::setStartScreenHooks({});
        frmController::setCommandProcessor({});
        ComponentRegistry::unregisterFactory(ConfigurationUtility::kClassId);
        BuiltInComponents::registerAll();
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    frmController& controller()
    {
        frmController& form = frmController::instance();
        form.advise(&listener);
        return form;
    }

    // The controller with a client and a running fake engine; the listener has seen Ready.
    std::shared_ptr<FakeRulesEngine> startEngine(const QString& client = u"API1"_s)
    {
        controller().Connect(client).StartEngine();
        listener.events.clear();
        return FakeRulesEngine::last();
    }

    RecordingControllerListener listener;
};

TEST_F(ControllerTest, LoadsOnceWithItsCaptionButtonsAndCommandTimer)
{
    frmController& form = controller();
    EXPECT_EQ(&form, &frmController::instance());
    EXPECT_TRUE(modTouchTools::IsFormLoaded(u"FRMCONTROLLER"_s));
    EXPECT_EQ(form.windowTitle(), u"pcQUIBA Controller"_s);
    EXPECT_FALSE(form.isVisible());

    const QList<QPair<QPushButton*, QString>> buttons{
        {form.cmdShowConfig(), u"Settings.ShowConfig"_s}, {form.cmdInjectData(), u"Inject Device Data"_s},
        {form.cmdAddItem(), u"Add Item"_s},               {form.cmdAsyncPrint(), u"Async. Print"_s},
        {form.cmdHideGUI(), u"UserInterface.Hide"_s},     {form.cmdInterruptGUI(), u"UserInterface.Interrupt"_s},
    };
    for (const auto& [button, caption] : buttons)
        EXPECT_EQ(button->text(), caption);
    EXPECT_EQ(form.tmrCommand()->interval(), 20000);
    EXPECT_TRUE(form.tmrCommand()->isActive());

    frmController::unload();
    EXPECT_FALSE(frmController::isLoaded());
    EXPECT_FALSE(modTouchTools::IsFormLoaded(u"frmController"_s));
}

TEST_F(ControllerTest, UnloadedAsAPlainFormTheNextUseMakesAFreshController)
{
    frmController& first = controller();
    first.Connect(u"API1"_s);
    first.unadvise(&listener);
    static_cast<Form&>(first).unload();
    EXPECT_FALSE(frmController::isLoaded());
    frmController& second = frmController::instance();
    EXPECT_NE(&second, &first);
    EXPECT_EQ(second.clientCount(), 0);
    TestEventLoop::runPending();
    EXPECT_TRUE(frmController::isLoaded());
}

TEST_F(ControllerTest, LoadingCreatesTheDataFolder)
{
    QTemporaryDir root;
    ProcessState::instance().dataPath = root.path() + u"/a/b/data"_s;
    controller();
    EXPECT_TRUE(QFileInfo(root.path() + u"/a/b/data"_s).isDir());
}

TEST_F(ControllerTest, DisconnectStopsAndUnloadsOnlyForTheLastQualifyingClient)
{
    const struct {
        const char* name;
        QStringList clients;
        bool wellBehaved;
        QString leaving;
        bool stopsAndUnloads;
    } cases[] = {
        {"unknown name changes nothing", {u"API1"_s}, true, u"API9"_s, false},
        {"last API client, not well behaved", {u"API1"_s}, false, u"API1"_s, false},
        {"last API client, well behaved", {u"API1"_s}, true, u"API1"_s, true},
        {"last client is the kiosk", {u"KIOSK"_s}, false, u"KIOSK"_s, true},
        {"kiosk leaves, an API client stays", {u"API1"_s, u"KIOSK"_s}, true, u"KIOSK"_s, false},
        {"same name connected twice counts once", {u"API1"_s, u"API1"_s}, true, u"API1"_s, true},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        ProcessState::instance().wellBehaved = testCase.wellBehaved;
        frmController& form = controller();
        for (const QString& client : testCase.clients)
            form.Connect(client);
        form.StartEngine();
        const std::weak_ptr<FakeRulesEngine> engine = FakeRulesEngine::last();

        form.Disconnect(testCase.leaving);
        EXPECT_EQ(frmController::isLoaded(), !testCase.stopsAndUnloads);
        EXPECT_EQ(engine.expired(), testCase.stopsAndUnloads);
        if (!testCase.stopsAndUnloads) {
            EXPECT_TRUE(form.EngineReady());
        }

        if (frmController::isLoaded())
            frmController::instance().unadvise(&listener);
        frmController::unload();
        TestEventLoop::runPending();
    }
}

TEST_F(ControllerTest, OnlyTheKioskClientSetsKioskMode)
{
    frmController& form = controller();
    form.Connect(u"API1"_s);
    EXPECT_FALSE(form.KioskMode());
    form.Connect(u"KIOSK"_s);
    EXPECT_TRUE(form.KioskMode());
    form.setKioskMode(false);
    EXPECT_FALSE(form.KioskMode());
}

TEST_F(ControllerTest, StartEngineInitialisesOnceAndRaisesOneReady)
{
    frmController& form = controller().Connect(u"KIOSK"_s);
    EXPECT_FALSE(form.EngineReady());
    form.StartEngine();
    const auto engine = FakeRulesEngine::last();
    ASSERT_TRUE(engine);
    form.StartEngine();

    EXPECT_EQ(FakeRulesEngine::last(), engine);
    EXPECT_EQ(engine->calls, QStringList{u"Initialise(True)"_s});
    EXPECT_EQ(listener.events, QStringList{u"Ready()"_s});
    EXPECT_EQ(form.Engine(), engine);
    EXPECT_TRUE(form.EngineReady());
}

TEST_F(ControllerTest, StopEngineClearsHidesAndReleases)
{
    frmController& form = controller();
    std::weak_ptr<FakeRulesEngine> engine = startEngine();
    QStringList calls;
    {
        auto held = engine.lock();
        form.StopEngine();
        calls = held->calls;
    }
    EXPECT_EQ(calls, (QStringList{u"Initialise(False)"_s, u"ClearBasket()"_s, u"HideGUI(False, )"_s}));
    EXPECT_TRUE(engine.expired());
    EXPECT_FALSE(form.EngineReady());
    EXPECT_EQ(form.Engine(), nullptr);
    form.StopEngine(); // nothing to stop
}

TEST_F(ControllerTest, AnEngineThatCannotBeCreatedIsRecordedAndNoReadyRaised)
{
    FakeRulesEngine::uninstall();
    frmController& form = controller();
    form.StartEngine();

    EXPECT_FALSE(form.EngineReady());
    EXPECT_TRUE(listener.events.isEmpty());
    EXPECT_TRUE(errorHandler->events.contains(u"enter frmController.Sub StartEngine"_s));
    EXPECT_TRUE(errorHandler->events.contains(u"record 429 frmController.Sub StartEngine"_s)) << errorHandler->events.join(u'\n').toStdString();
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(ControllerTest, TracedOperationsEnterAndLeaveUnderTheirNames)
{
    frmController& form = controller();
    form.Connect(u"API1"_s);
    form.StartEngine();
    form.EngineReady();
    form.KioskMode();
    form.StopEngine();
    form.Disconnect(u"API1"_s);
    QStringList entered;
    for (const QString& event : errorHandler->events) {
        if (event.startsWith(u"enter "))
            entered.append(event.mid(6));
    }
    EXPECT_EQ(entered, (QStringList{u"frmController.Function Connect"_s, u"frmController.Sub StartEngine"_s,
                                    u"frmController.Function EngineReady"_s, u"frmController.Property KioskMode"_s,
                                    u"frmController.Sub StopEngine"_s, u"frmController.Sub Disconnect"_s}));
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(ControllerTest, DeferredActionsRunAfterThePostingCallInTheirOrder)
{
    const struct {
        const char* name;
        QPushButton* (frmController::*button)() const;
        QList<QPair<QString, Variant>> arguments;
        QStringList engineCalls;
        QStringList keysLeft;
    } cases[] = {
        {"add item", &frmController::cmdAddItem, {{u"ProductID"_s, u"P1"_s}, {u"Data"_s, VariantArray{u"D1"_s}}},
         {u"AddItem(P1, {D1})"_s}, {}},
        {"add item without a product", &frmController::cmdAddItem, {{u"Data"_s, u"D1"_s}}, {}, {u"Data"_s}},
        {"inject data", &frmController::cmdInjectData, {{u"Data"_s, u"4321"_s}, {u"Device"_s, qint32(2)}},
         {u"InjectDeviceData(4321, 2)"_s}, {}},
        {"inject empty data", &frmController::cmdInjectData, {{u"Data"_s, u""_s}, {u"Device"_s, qint32(2)}}, {}, {}},
        {"hide", &frmController::cmdHideGUI, {}, {u"HideGUI(False, )"_s}, {}},
        {"interrupt", &frmController::cmdInterruptGUI, {{u"Reason"_s, u"Till needed"_s}},
         {u"HideGUI(True, Till needed)"_s}, {}},
        {"interrupt without a reason", &frmController::cmdInterruptGUI, {}, {u"HideGUI(True, )"_s}, {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        frmController& form = controller();
        const auto engine = startEngine();
        engine->products = {u"P1"_s};
        engine->calls.clear();
        for (const auto& [key, value] : testCase.arguments)
            form.Args().setItem(key, value);

        modTouchTools::PostClick((form.*testCase.button)());
        EXPECT_TRUE(engine->calls.isEmpty()) << "ran inside the posting call";
        TestEventLoop::runPending();

        QStringList calls = engine->calls;
        calls.removeAll(u"Basket()"_s);
        EXPECT_EQ(calls, testCase.engineCalls);
        EXPECT_EQ(form.Args().keys(), testCase.keysLeft);
        form.Args().removeAll();
        form.StopEngine();
    }
}

TEST_F(ControllerTest, DeferredActionsWithoutAnEngineDoNothingAndKeepTheirArguments)
{
    frmController& form = controller();
    form.Args().setItem(u"ProductID"_s, u"P1"_s);
    form.Args().setItem(u"Reason"_s, u"R"_s);
    for (QPushButton* button : {form.cmdAddItem(), form.cmdInjectData(), form.cmdHideGUI(), form.cmdInterruptGUI()})
        modTouchTools::PostClick(button);
    TestEventLoop::runPending();
    EXPECT_EQ(form.Args().keys(), (QStringList{u"ProductID"_s, u"Reason"_s}));
    EXPECT_TRUE(errorHandler->events.filter(u"record"_s).isEmpty());
}

TEST_F(ControllerTest, AFailingEngineCallIsRecordedAndTheNextClickStillRuns)
{
    frmController& form = controller();
    const auto engine = startEngine();
    engine->failures.insert(u"HideGUI"_s, AutomationError(5, u"QuibaRules"_s, u"Invalid procedure call or argument"_s));
    modTouchTools::PostClick(form.cmdHideGUI());
    form.Args().setItem(u"Data"_s, u"77"_s);
    modTouchTools::PostClick(form.cmdInjectData());
    TestEventLoop::runPending();
    EXPECT_TRUE(errorHandler->events.contains(u"record 5 frmController.Sub cmdHideGUI_Click"_s)) << errorHandler->events.join(u'\n').toStdString();
    EXPECT_TRUE(engine->calls.contains(u"InjectDeviceData(77, 0)"_s));
}

// A voucher-like object that writes each queued print it is asked to run.
class QueuedPrint : public AutomationObject, public PrintQueueTarget {
public:
    QueuedPrint(QString name, QStringList& log) : m_name(std::move(name)), m_log(log) {}
    QString className() const override { return u"QueuedPrint"_s; }
    void callPrintMethod(const QString& methodName, bool sync) override
    {
        m_log.append(m_name + u'.' + methodName + (sync ? u"(True)"_s : u"(False)"_s));
    }

private:
    QString m_name;
    QStringList& m_log;
};

TEST_F(ControllerTest, PrintQueueServesEveryJobInQueueingOrder)
{
    frmController& form = controller();
    QStringList printed;
    form.AddToPrintQueue(std::make_shared<QueuedPrint>(u"first"_s, printed), u"PrintVoucher"_s);
    form.AddToPrintQueue(std::make_shared<QueuedPrint>(u"second"_s, printed), u"RaisePrintEvents"_s);
    form.AddToPrintQueue(std::make_shared<QueuedPrint>(u"third"_s, printed), u"PrintAll"_s);
    ASSERT_EQ(form.Args().item(u"PrintQueue"_s).arrayValue().size(), 6);
    EXPECT_TRUE(printed.isEmpty());

    TestEventLoop::runPending();
    EXPECT_EQ(printed, (QStringList{u"first.PrintVoucher(True)"_s, u"second.RaisePrintEvents(True)"_s,
                                    u"third.PrintAll(True)"_s}));
    EXPECT_FALSE(form.Args().exists(u"PrintQueue"_s));
}

TEST_F(ControllerTest, NestedPrintJobsShareOneBeginAndEnd)
{
    frmController& form = controller();
    form.RaisePrintBegin(2);
    form.RaisePrintBegin(1);
    form.RaisePrintVoucher(u"C"_s);
    form.RaisePrintText(u"A"_s, u"B"_s, 1, 2, u"L"_s, 3, u"Hello"_s);
    form.RaisePrintLine(40);
    form.RaisePrintBarcode(u"QR"_s, 4, 5, u"R"_s, u"123"_s);
    form.RaisePrintGraphicsBegin(u"T"_s);
    form.RaisePrintImage(u"C"_s, u"logo.png"_s);
    form.RaisePrintGraphicsEnd();
    listener.answerHalfCut = true;
    bool halfCut = false;
    form.RaisePrintCut(halfCut);
    form.RaisePrintVoucherEnd();
    form.RaisePrintEnd();
    EXPECT_EQ(form.printDepth(), 1);
    form.RaisePrintEnd();

    EXPECT_TRUE(halfCut);
    EXPECT_EQ(form.printDepth(), 0);
    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(2)"_s, u"PrintVoucher(C)"_s, u"PrintText(A, B, 1, 2, L, 3, Hello)"_s,
                           u"PrintLine(40)"_s, u"PrintBarcode(QR, 4, 5, R, 123)"_s, u"PrintGraphicsBegin(T)"_s,
                           u"PrintImage(C, logo.png)"_s, u"PrintGraphicsEnd()"_s, u"PrintCut(False)"_s,
                           u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
}

TEST_F(ControllerTest, EngineEventsReachEveryListenerWithTheirValues)
{
    const auto engine = startEngine();
    RulesEngineEvents* sink = engine->sink();
    ASSERT_TRUE(sink);
    const struct {
        std::function<void()> fire;
        QString raised;
    } cases[] = {
        {[&] { sink->AddItemFailed(u"P9"_s, u"Unknown"_s); }, u"AddItemFailed(P9, Unknown)"_s},
        {[&] { sink->BasketCommitted(3); }, u"BasketCommitted(3)"_s},
        {[&] { sink->BasketSuspended(u"H1"_s); }, u"BasketSuspended(H1)"_s},
        {[&] { sink->DataMismatch(2, Variant(u"x"_s), u"bad"_s); }, u"DataMismatch(2, x, bad)"_s},
        {[&] { sink->RefuseInterrupt(); }, u"RefuseInterrupt()"_s},
        {[&] { sink->ResumeComplete(4); }, u"ResumeComplete(4)"_s},
        {[&] { sink->ResumeFailed(u"H2"_s, u"gone"_s); }, u"ResumeFailed(H2, gone)"_s},
        {[&] { sink->StartDevice(8); }, u"StartDevice(8)"_s},
        {[&] { sink->StopDevice(16); }, u"StopDevice(16)"_s},
        {[&] { sink->SuspendFailed(u"full"_s); }, u"SuspendFailed(full)"_s},
    };
    RecordingControllerListener second;
    frmController::instance().advise(&second);
    for (const auto& testCase : cases) {
        listener.events.clear();
        second.events.clear();
        testCase.fire();
        EXPECT_EQ(listener.events, QStringList{testCase.raised});
        EXPECT_EQ(second.events, QStringList{testCase.raised});
    }
    frmController::instance().unadvise(&second);
}

TEST_F(ControllerTest, GetDataAnswersFlowBackToTheEngine)
{
    const auto engine = startEngine();
    listener.answerData = Variant(u"4000123412341234"_s);
    listener.answerCancel = true;
    const auto answer = engine->raiseGetData(u"PAN"_s, u"N"_s, 4, u"again"_s, Variant(u"old"_s));
    EXPECT_EQ(listener.events, QStringList{u"GetData(PAN, N, 4, again, old, False)"_s});
    EXPECT_EQ(answer.data, Variant(u"4000123412341234"_s));
    EXPECT_TRUE(answer.cancel);
}

TEST_F(ControllerTest, AListenerMayUnadviseInsideAnEvent)
{
    const auto engine = startEngine();
    RecordingControllerListener second;
    frmController::instance().advise(&second);
    listener.afterEvent = [&] { frmController::instance().unadvise(&second); };
    engine->sink()->RefuseInterrupt();
    EXPECT_EQ(listener.events, QStringList{u"RefuseInterrupt()"_s});
    EXPECT_TRUE(second.events.isEmpty());
}

TEST_F(ControllerTest, ItemsAreWrappedOnlyWhenThereIsAnItemAndAWrapper)
{
    const auto engine = startEngine();
    auto item = std::make_shared<FakeEngineBasketItem>();
    item->productID = u"P1"_s;

    // Without the sale objects nothing is raised, with or without an item.
    engine->raiseItemAdded(item);
    engine->raiseItemRemoved(item);
    engine->raiseItemAdded(nullptr);
    EXPECT_TRUE(listener.events.isEmpty());

    // The wrapper is opaque here: any non-null object stands for the sale layer's BasketItem.
    const auto token = std::make_shared<int>(0);
    const auto wrapper = std::shared_ptr<BasketItem>(token, reinterpret_cast<BasketItem*>(token.get()));
    QStringList wrapped;
    frmController::setSaleObjectFactories(
        [&](const std::shared_ptr<EngineBasketItem>& engineItem) {
            wrapped.append(engineItem->ProductID());
            return wrapper;
        },
        {});
    engine->raiseItemAdded(nullptr);
    EXPECT_TRUE(listener.events.isEmpty());

    listener.answerCancel = true;
    EXPECT_TRUE(engine->raiseItemAdded(item));
    engine->raiseItemRemoved(item);
    EXPECT_EQ(listener.events, (QStringList{u"ItemAdded(item, False)"_s, u"ItemRemoved(item)"_s}));
    EXPECT_EQ(listener.lastBasketItem, wrapper);
    EXPECT_EQ(wrapped, (QStringList{u"P1"_s, u"P1"_s}));
}

TEST_F(ControllerTest, VoucherAvailableOnlyForAnExistingFile)
{
    const auto engine = startEngine();
    QTemporaryDir folder;
    const QString present = folder.filePath(u"v1.xml"_s);
    ASSERT_TRUE(TestFiles::write(present, {}));

    const auto token = std::make_shared<int>(0);
    const auto voucher = std::shared_ptr<Voucher>(token, reinterpret_cast<Voucher*>(token.get()));
    QStringList made;
    frmController::setSaleObjectFactories({}, [&](const QString& fileName) {
        made.append(fileName);
        return voucher;
    });
    engine->sink()->VoucherAvailable(folder.filePath(u"missing.xml"_s));
    engine->sink()->VoucherAvailable(folder.path());
    EXPECT_TRUE(listener.events.isEmpty());
    engine->sink()->VoucherAvailable(present);
    EXPECT_EQ(listener.events, QStringList{u"VoucherAvailable(voucher)"_s});
    EXPECT_EQ(made, QStringList{present});
}

TEST_F(ControllerTest, SurrenderOutsideKioskModeIsOnlyRelayed)
{
    int shown = 0;
    frmController::setStartScreenHooks({[&] { ++shown; }, {}});
    const auto engine = startEngine();
    engine->sink()->Surrender(8, u"config"_s);
    EXPECT_EQ(listener.events, QStringList{u"Surrender(8, config)"_s});
    EXPECT_TRUE(frmController::instance().EngineReady());
    EXPECT_EQ(shown, 0);
}

TEST_F(ControllerTest, SurrenderInKioskModeStopsTheEngineAndUnloads)
{
    const struct {
        qint32 reason;
        int startScreenShown;
    } cases[] = {{8, 1}, {0, 0}, {3, 0}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.reason);
        int shown = 0;
        frmController::setStartScreenHooks({[&] { ++shown; }, {}});
        std::weak_ptr<FakeRulesEngine> engine = startEngine(u"KIOSK"_s);
        engine.lock()->sink()->Surrender(testCase.reason, u"bye"_s);

        EXPECT_EQ(listener.events, QStringList{u"Surrender(%1, bye)"_s.arg(testCase.reason)});
        EXPECT_FALSE(frmController::isLoaded());
        EXPECT_EQ(shown, testCase.startScreenShown);
        TestEventLoop::runPending();
        EXPECT_TRUE(engine.expired());
        listener.events.clear();
    }
}

// An engine that surrenders from inside one of its own calls and touches its own state once the
// event has returned, as a real engine does: the controller must not destroy it meanwhile.
class SurrenderingEngine : public FakeRulesEngine {
public:
    void ShowGUI(const QString& startAt) override
    {
        FakeRulesEngine::ShowGUI(startAt);
        if (sink())
            sink()->Surrender(0, u"done"_s);
        calls.append(u"after Surrender"_s);
        guiVisible = false;
    }
};

TEST_F(ControllerTest, AnEngineReleasedInsideItsOwnEventLivesUntilItsCallReturns)
{
    std::weak_ptr<SurrenderingEngine> made;
    ComponentRegistry::registerFactory(RulesEngine::kClassId, [&made] {
        auto engine = std::make_shared<SurrenderingEngine>();
        made = engine;
        return engine;
    });
    frmController& form = controller().Connect(u"KIOSK"_s);
    form.StartEngine();
    SurrenderingEngine* engine = made.lock().get();
    ASSERT_TRUE(engine);

    // The test keeps no reference: only the controller holds the engine when it surrenders.
    engine->ShowGUI(QString());
    EXPECT_FALSE(frmController::isLoaded());
    ASSERT_FALSE(made.expired());
    EXPECT_EQ(engine->calls.last(), u"after Surrender"_s);
    TestEventLoop::runPending();
    EXPECT_TRUE(made.expired());
}

TEST_F(ControllerTest, SetOLETimeoutKeepsTheTimeoutAndMessageAndRaisesNothing)
{
    const auto engine = startEngine();
    engine->sink()->SetOLETimeout(90000, u"The kiosk is busy"_s, u"pcQUIBA"_s);
    const ProcessState& state = ProcessState::instance();
    EXPECT_EQ(state.automationTimeout, 90000);
    EXPECT_EQ(state.timeoutMessageText, u"The kiosk is busy"_s);
    EXPECT_EQ(state.timeoutMessageTitle, u"pcQUIBA"_s);
    EXPECT_TRUE(listener.events.isEmpty());
}

TEST_F(ControllerTest, EachHostConnectionEventReleasesTheConnection)
{
    using Outcome = FakeHostConnection::Outcome;
    for (const Outcome outcome : {Outcome::Complete, Outcome::Error, Outcome::Timeout}) {
        frmController& form = controller();
        auto connection = std::make_shared<FakeHostConnection>();
        connection->outcome = outcome;
        form.setConnection(connection);
        std::weak_ptr<FakeHostConnection> watched = connection;
        FakeHostConnection* raw = connection.get();
        connection.reset();
        raw->UploadFile(u"/tmp/a.log"_s, QString());
        EXPECT_EQ(form.connection(), nullptr);
        TestEventLoop::runPending();
        EXPECT_TRUE(watched.expired());
        EXPECT_TRUE(listener.events.isEmpty());
    }
    // Silent: the connection stays until it reports.
    auto silent = std::make_shared<FakeHostConnection>();
    silent->outcome = Outcome::Silent;
    controller().setConnection(silent);
    silent->UploadFile(u"/tmp/a.log"_s, QString());
    EXPECT_EQ(controller().connection(), silent);
}

TEST_F(ControllerTest, TheCommandTimerRunsTheProcessorWhenOneIsSet)
{
    frmController& form = controller();
    QEventLoop loop;
    int ticks = 0;
    frmController::setCommandProcessor([&](frmController& ticked) {
        EXPECT_EQ(&ticked, &form);
        if (++ticks == 2)
            loop.quit();
    });
    form.tmrCommand()->setInterval(1);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(ticks, 2);

    // Without a processor a tick does nothing.
    frmController::setCommandProcessor({});
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(ticks, 2);
}

TEST_F(ControllerTest, RaiseClosingReachesTheListeners)
{
    controller().RaiseClosing(u"Installing"_s);
    EXPECT_EQ(listener.events, QStringList{u"Closing(Installing)"_s});
}

// A configuration utility that writes how it was asked and answers as scripted.
class ScriptedUtility : public ConfigurationUtility {
public:
    QString className() const override { return u"ScriptedUtility"_s; }
    bool ShowPanel(QString& panel, QString& pin) override
    {
        asked.append(panel + u'|' + pin);
        return saves;
    }
    void BeginUpdate(QString&) override {}
    qint16 FilesToInstall(bool&, QString&) override { return 0; }

    static inline QStringList asked;
    static inline bool saves = false;
};

TEST_F(ControllerTest, ShowConfigPassesPanelAndPinAndClosesTheStartScreenOnSave)
{
    ComponentRegistry::registerFactory(ConfigurationUtility::kClassId, [] { return std::make_shared<ScriptedUtility>(); });
    int closed = 0;
    frmController::setStartScreenHooks({{}, [&] { ++closed; }});
    const struct {
        bool saves;
        int closed;
    } cases[] = {{false, 0}, {true, 1}};
    for (const auto& testCase : cases) {
        ScriptedUtility::asked.clear();
        ScriptedUtility::saves = testCase.saves;
        closed = 0;
        frmController& form = controller();
        form.Args().setItem(u"Panel"_s, u"PRINTER"_s);
        form.Args().setItem(u"PIN"_s, u"1234"_s);
        modTouchTools::PostClick(form.cmdShowConfig());
        TestEventLoop::runPending();
        EXPECT_EQ(ScriptedUtility::asked, QStringList{u"PRINTER|1234"_s});
        EXPECT_EQ(form.Args().count(), 0);
        EXPECT_EQ(closed, testCase.closed);
    }
}

TEST_F(ControllerTest, ShowConfigWithoutAUtilityIsSkippedSilently)
{
    ComponentRegistry::unregisterFactory(ConfigurationUtility::kClassId);
    frmController& form = controller();
    form.Args().setItem(u"Panel"_s, u"GENERAL"_s);
    modTouchTools::PostClick(form.cmdShowConfig());
    TestEventLoop::runPending();
    EXPECT_FALSE(form.Args().exists(u"Panel"_s));
    EXPECT_TRUE(errorHandler->events.filter(u"record"_s).isEmpty());
}

} // namespace
