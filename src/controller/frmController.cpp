#include "controller/frmController.h"

#include "services/FormProcedure.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "controller/ConfigurationUtility.h"
#include "controller/EngineItemHold.h"
#include "controller/HostConnectionEvents.h"
#include "controller/PrintQueueTarget.h"
#include "controller/RulesEngineEvents.h"
#include "controller/StatusFile.h"
#include "platform/AutomationError.h"
#include "platform/ComponentRegistry.h"
#include "platform/EventRelay.h"
#include "platform/OffLoopWork.h"
#include "support/modTouchTools.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QPushButton>
#include <QPointer>
#include <QTimer>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kKioskClient = u"KIOSK"_s;
const QString kPrintQueue = u"PrintQueue"_s;
constexpr int kCommandInterval = 20000;
constexpr qint32 kSurrenderConfigUtility = 8;

frmController* s_instance = nullptr;

struct Hooks {
    frmController::CommandProcessor commandProcessor;
    frmController::BasketItemFactory basketItemFactory;
    frmController::VoucherFactory voucherFactory;
    frmController::StartScreenHooks startScreen;
    frmController::KioskHooks kiosk;
    frmController::ClientsHook clients;
};

Hooks& hooks()
{
    static Hooks set;
    return set;
}

void callHook(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

} // namespace

// The engine's and the host connection's events, handed to the controller's handlers.
class ControllerEngineSink : public RulesEngineEvents, public HostConnectionEvents {
public:
    explicit ControllerEngineSink(frmController& controller) : q(controller) {}

    void AddItemFailed(const QString& productID, const QString& message) override;
    void BasketCommitted(qint16 numberOfItems) override;
    void BasketSuspended(const QString& handle) override;
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override;
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override;
    void ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel) override;
    void ItemRemoved(std::shared_ptr<EngineBasketItem>& item) override;
    void RefuseInterrupt() override;
    void ResumeComplete(qint16 numberOfItems) override;
    void ResumeFailed(const QString& handle, const QString& message) override;
    void SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle) override;
    void StartDevice(qint32 device) override;
    void StopDevice(qint32 device) override;
    void Surrender(qint32 reason, const QString& message) override;
    void SuspendFailed(const QString& message) override;
    void VoucherAvailable(const QString& fileName) override;

    void Error(qint32 number, const QString& description) override;
    void Timeout() override;
    void UploadFileComplete(const QString& first, const QString& second) override;

private:
    template <class Handler>
    void engineEvent(Handler&& handler);
    template <class Call>
    void relay(Call&& call)
    {
        engineEvent([&] { q.raiseEvent(call); });
    }

    frmController& q;
};

struct frmController::Private {
    explicit Private(frmController& controller) : sink(controller) {}

    ControllerEngineSink sink;
    std::shared_ptr<RulesEngine> engine;
    std::shared_ptr<HostConnection> connection;
    Dictionary clients;
    std::unique_ptr<Dictionary> args;
    bool kioskMode = false;
    qint16 printDepth = 0;
    // Engine events under way: an engine released inside one must outlive that call.
    int engineEventDepth = 0;
    // Listeners in the order they advised, with their place, so that thousands of clients come
    // and go at a constant cost each.
    QMap<quint64, ControllerEvents*> listeners;
    QHash<ControllerEvents*, quint64> listenerPlaces;
    quint64 nextListenerPlace = 0;

    // The arguments each deferred-action button's action parked last, until its click takes them.
    QHash<QPushButton*, QList<std::pair<QString, std::optional<Variant>>>> parked;

    QPushButton* cmdShowConfig = nullptr;
    QPushButton* cmdInjectData = nullptr;
    QPushButton* cmdAddItem = nullptr;
    QPushButton* cmdAsyncPrint = nullptr;
    QPushButton* cmdHideGUI = nullptr;
    QPushButton* cmdInterruptGUI = nullptr;
    QTimer* tmrCommand = nullptr;
};

// ---- loading and unloading -------------------------------------------------------------------

frmController& frmController::instance()
{
    // A form unloaded through its base class is on its way out: the next use makes a new one.
    if (!isLoaded())
        s_instance = new frmController;
    return *s_instance;
}

bool frmController::isLoaded()
{
    return s_instance != nullptr && !s_instance->isUnloading();
}

void frmController::unload()
{
    frmController* controller = std::exchange(s_instance, nullptr);
    if (!controller)
        return;
    controller->d->tmrCommand->stop();
    controller->Form::unload();
    tellClients(0);
}

frmController::frmController() : Form(kFormName), d(std::make_unique<Private>(*this))
{
    setWindowTitle(u"pcQUIBA Controller"_s);

    // The buttons are never shown; each has a face so that a posted click lands on it.
    const auto button = [this](const QString& name, const QString& caption, void (frmController::*click)()) {
        auto* control = new QPushButton(caption, this);
        control->setObjectName(name);
        control->setGeometry(0, 0, 160, 24);
        connect(control, &QPushButton::clicked, this, click);
        return control;
    };
    d->cmdShowConfig = button(u"cmdShowConfig"_s, u"Settings.ShowConfig"_s, &frmController::cmdShowConfig_Click);
    d->cmdInjectData = button(u"cmdInjectData"_s, u"Inject Device Data"_s, &frmController::cmdInjectData_Click);
    d->cmdAddItem = button(u"cmdAddItem"_s, u"Add Item"_s, &frmController::cmdAddItem_Click);
    d->cmdAsyncPrint = button(u"cmdAsyncPrint"_s, u"Async. Print"_s, &frmController::cmdAsyncPrint_Click);
    d->cmdHideGUI = button(u"cmdHideGUI"_s, u"UserInterface.Hide"_s, &frmController::cmdHideGUI_Click);
    d->cmdInterruptGUI =
        button(u"cmdInterruptGUI"_s, u"UserInterface.Interrupt"_s, &frmController::cmdInterruptGUI_Click);

    d->tmrCommand = new QTimer(this);
    d->tmrCommand->setObjectName(u"tmrCommand"_s);
    connect(d->tmrCommand, &QTimer::timeout, this, &frmController::tmrCommand_Timer);
    Form_Load();
}

frmController::~frmController()
{
    if (s_instance == this)
        s_instance = nullptr;
    releaseEngine();
    if (d->connection)
        d->connection->setEventSink(nullptr);
}

void frmController::Form_Load()
{
    modTouchTools::CreateFolderPath(ProcessState::instance().dataPath);
    d->tmrCommand->setInterval(kCommandInterval);
    d->tmrCommand->start();
}

// ---- clients and the engine ------------------------------------------------------------------

frmController& frmController::Connect(const QString& clientName)
{
    FormProcedure::run(u"Function Connect"_s, kFormName, [&] {
        if (!d->clients.exists(clientName))
            d->clients.add(clientName, clientName);
        if (clientName == kKioskClient)
            d->kioskMode = true;
    });
    tellClients(d->clients.count());
    return *this;
}

void frmController::Disconnect(const QString& clientName)
{
    FormProcedure::run(u"Sub Disconnect"_s, kFormName, [&] {
        if (!d->clients.exists(clientName))
            return;
        d->clients.remove(clientName);
        if (d->clients.count() == 0 && (clientName == kKioskClient || ProcessState::instance().wellBehaved)) {
            // A print under way ends first, with the engine and controller it started with; a
            // client that came meanwhile keeps them.
            OffLoopWork::afterwards([] {
                if (!isLoaded() || instance().clientCount() > 0)
                    return;
                instance().StopEngine();
                unload();
            });
        } else {
            tellClients(d->clients.count());
        }
    });
}

int frmController::clientCount() const
{
    return d->clients.count();
}

bool frmController::KioskMode() const
{
    FormProcedure::run(u"Property KioskMode"_s, kFormName, [] {});
    return d->kioskMode;
}

void frmController::setKioskMode(bool value)
{
    FormProcedure::run(u"Property KioskMode"_s, kFormName, [&] { d->kioskMode = value; });
}

std::shared_ptr<RulesEngine> frmController::Engine() const
{
    return d->engine;
}

Dictionary& frmController::Args()
{
    if (!d->args)
        d->args = std::make_unique<Dictionary>();
    return *d->args;
}

void frmController::PostClickWithArguments(QPushButton* control, const QStringList& keys)
{
    QList<std::pair<QString, std::optional<Variant>>> values;
    for (const QString& key : keys)
        values.append({key, Args().exists(key) ? std::optional<Variant>(Args().item(key)) : std::nullopt});
    // A later action of the same button replaces these, as it does in Args.
    d->parked.insert(control, std::move(values));
    modTouchTools::PostClick(control, [this, control] {
        const auto parked = d->parked.constFind(control);
        if (parked == d->parked.cend())
            return;
        for (const auto& [key, value] : *parked) {
            if (value)
                Args().setItem(key, *value);
            else if (Args().exists(key))
                Args().remove(key);
        }
        d->parked.erase(parked);
    });
}

void frmController::StartEngine()
{
    FormProcedure::run(u"Sub StartEngine"_s, kFormName, [&] {
        if (d->engine)
            return;
        d->engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
        d->engine->setEventSink(&d->sink);
        try {
            d->engine->Initialise(d->kioskMode);
        } catch (...) {
            // An engine that could not start is no engine: the clients' ready checks say so.
            releaseEngine();
            Trace::write(u"Engine not started: "_s + AutomationError::fromCurrentException().description(),
                         Trace::ErrorSeverity);
            throw;
        }
        raiseEvent([](ControllerEvents& listener) { listener.Ready(); });
    });
}

void frmController::StopEngine()
{
    FormProcedure::run(u"Sub StopEngine"_s, kFormName, [&] {
        if (!d->engine)
            return;
        if (OffLoopWork::underWay()) {
            OffLoopWork::afterwards([] {
                if (isLoaded())
                    instance().StopEngine();
            });
            return;
        }
        d->engine->ClearBasket();
        d->engine->HideGUI(false, QString());
        releaseEngine();
    });
}

bool frmController::EngineReady() const
{
    FormProcedure::run(u"Function EngineReady"_s, kFormName, [] {});
    return d->engine != nullptr;
}

void frmController::releaseEngine()
{
    std::shared_ptr<RulesEngine> engine = std::exchange(d->engine, nullptr);
    if (!engine)
        return;
    // The items the Sovereign's objects still hold go first, and never outlive the engine.
    EngineItemHold::Items items = EngineItemHold::takeAll();
    engine->setEventSink(nullptr);
    // Released from inside one of its own events, the engine still has that call to finish:
    // the last reference goes from the event loop.
    if (d->engineEventDepth > 0)
        QTimer::singleShot(0, [items = std::move(items), engine = std::move(engine)]() mutable {
            items.clear();
            engine.reset();
        });
}

void frmController::advise(ControllerEvents* listener)
{
    if (!listener || d->listenerPlaces.contains(listener))
        return;
    const quint64 place = d->nextListenerPlace++;
    d->listeners.insert(place, listener);
    d->listenerPlaces.insert(listener, place);
}

void frmController::unadvise(ControllerEvents* listener)
{
    const auto place = d->listenerPlaces.find(listener);
    if (place == d->listenerPlaces.end())
        return;
    d->listeners.remove(*place);
    d->listenerPlaces.erase(place);
}

void frmController::raiseEvent(const std::function<void(ControllerEvents&)>& call)
{
    // Work that arrives while the listeners' handlers run waits for the whole relay to return.
    const EventRelay::Scope relay;
    // A listener may unadvise, or advise another, from inside the event; and a Sovereign that
    // releases its last API object inside it may have the controller unloaded and deleted.
    const QPointer<frmController> alive(this);
    const QMap<quint64, ControllerEvents*> listeners = d->listeners;
    for (auto it = listeners.cbegin(); it != listeners.cend() && alive; ++it) {
        if (d->listeners.contains(it.key()))
            call(*it.value());
    }
}

// ---- deferred actions ------------------------------------------------------------------------

Variant frmController::takeArgument(const QString& key)
{
    if (!d->args || !d->args->exists(key))
        return {};
    Variant value = d->args->item(key);
    d->args->remove(key);
    return value;
}

void frmController::cmdAddItem_Click()
{
    FormProcedure::run(u"Sub cmdAddItem_Click"_s, kFormName, [&] {
        if (!d->engine || !d->args || !d->args->exists(u"ProductID"_s))
            return;
        // Taken before the call, so that a failing AddItem leaves no product behind for the
        // next click.
        const Variant productID = takeArgument(u"ProductID"_s);
        const Variant data = takeArgument(u"Data"_s);
        const auto engine = d->engine;
        engine->AddItem(productID.toString(), VariantArray{data});
    });
}

void frmController::cmdInjectData_Click()
{
    FormProcedure::run(u"Sub cmdInjectData_Click"_s, kFormName, [&] {
        if (!d->engine)
            return;
        const Variant data = takeArgument(u"Data"_s);
        const Variant device = takeArgument(u"Device"_s);
        if (!data.toString().isEmpty()) {
            const auto engine = d->engine;
            engine->InjectDeviceData(data.toString(), device.toLong());
        }
    });
}

void frmController::cmdHideGUI_Click()
{
    FormProcedure::run(u"Sub cmdHideGUI_Click"_s, kFormName, [&] {
        if (const auto engine = d->engine)
            engine->HideGUI(false, QString());
    });
}

void frmController::cmdInterruptGUI_Click()
{
    FormProcedure::run(u"Sub cmdInterruptGUI_Click"_s, kFormName, [&] {
        if (!d->engine)
            return;
        const Variant reason = takeArgument(u"Reason"_s);
        const auto engine = d->engine;
        engine->HideGUI(true, reason.toString());
    });
}

void frmController::cmdShowConfig_Click()
{
    FormProcedure::run(u"Sub cmdShowConfig_Click"_s, kFormName, [&] {
        QString panel = takeArgument(u"Panel"_s).toString();
        QString pin = takeArgument(u"PIN"_s).toString();
        std::shared_ptr<ConfigurationUtility> utility;
        try {
            utility = ComponentRegistry::createAs<ConfigurationUtility>(ConfigurationUtility::kClassId);
        } catch (const AutomationError&) {
            // A site without the utility simply gets no settings dialog.
            return;
        }
        if (utility->ShowPanel(panel, pin))
            callHook(hooks().startScreen.close);
    });
}

// ---- the print queue and the print events ----------------------------------------------------

void frmController::AddToPrintQueue(const ObjectRef& target, const QString& methodName)
{
    Dictionary& args = Args();
    VariantArray queue = args.exists(kPrintQueue) ? args.item(kPrintQueue).arrayValue() : VariantArray{};
    queue.append(Variant(target));
    queue.append(Variant(methodName));
    args.setItem(kPrintQueue, Variant(queue));
    modTouchTools::PostClick(d->cmdAsyncPrint);
}

void frmController::cmdAsyncPrint_Click()
{
    FormProcedure::run(u"Sub cmdAsyncPrint_Click"_s, kFormName, [&] {
        while (d->args && d->args->exists(kPrintQueue)) {
            VariantArray queue = d->args->item(kPrintQueue).arrayValue();
            const Variant target = queue.value(0);
            const Variant methodName = queue.value(1);
            if (queue.size() > 2) {
                queue.remove(0, 2);
                d->args->setItem(kPrintQueue, Variant(queue));
            } else {
                d->args->remove(kPrintQueue);
            }
            const auto printable = std::dynamic_pointer_cast<PrintQueueTarget>(target.objectValue());
            if (printable)
                printable->callPrintMethod(methodName.toString(), true);
        }
    });
}

qint16 frmController::printDepth() const
{
    return d->printDepth;
}

void frmController::RaisePrintBegin(qint16 numberOfDocuments)
{
    if (d->printDepth == 0)
        raiseEvent([&](ControllerEvents& listener) { listener.PrintBegin(numberOfDocuments); });
    ++d->printDepth;
}

void frmController::RaisePrintEnd()
{
    --d->printDepth;
    if (d->printDepth == 0)
        raiseEvent([](ControllerEvents& listener) { listener.PrintEnd(); });
}

void frmController::RaisePrintVoucher(const QString& alignment)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintVoucher(alignment); });
}

void frmController::RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                                   const QString& alignment, qint16 indent, const QString& data)
{
    raiseEvent([&](ControllerEvents& listener) {
        listener.PrintText(font, emphasis, charWidth, charHeight, alignment, indent, data);
    });
}

void frmController::RaisePrintLine(qint16 width)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintLine(width); });
}

void frmController::RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height,
                                      const QString& alignment, const QString& data)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintBarcode(barcodeType, width, height, alignment, data); });
}

void frmController::RaisePrintGraphicsBegin(const QString& verticalAlignment)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintGraphicsBegin(verticalAlignment); });
}

void frmController::RaisePrintImage(const QString& alignment, const QString& fileName)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintImage(alignment, fileName); });
}

void frmController::RaisePrintGraphicsEnd()
{
    raiseEvent([](ControllerEvents& listener) { listener.PrintGraphicsEnd(); });
}

void frmController::RaisePrintCut(bool& halfCut)
{
    raiseEvent([&](ControllerEvents& listener) { listener.PrintCut(halfCut); });
}

void frmController::RaisePrintVoucherEnd()
{
    raiseEvent([](ControllerEvents& listener) { listener.PrintVoucherEnd(); });
}

void frmController::RaiseClosing(const QString& message)
{
    raiseEvent([&](ControllerEvents& listener) { listener.Closing(message); });
}

// ---- the host connection, the command timer and the hooks ------------------------------------

void frmController::setConnection(std::shared_ptr<HostConnection> connection)
{
    if (d->connection)
        d->connection->setEventSink(nullptr);
    d->connection = std::move(connection);
    if (d->connection)
        d->connection->setEventSink(&d->sink);
}

std::shared_ptr<HostConnection> frmController::connection() const
{
    return d->connection;
}

void frmController::releaseConnection()
{
    std::shared_ptr<HostConnection> connection = std::exchange(d->connection, nullptr);
    if (!connection)
        return;
    connection->setEventSink(nullptr);
    // The connection is inside its own event: it goes from the event loop.
    QTimer::singleShot(0, [connection = std::move(connection)]() mutable { connection.reset(); });
}

void frmController::tmrCommand_Timer()
{
    // A remote command may stop the engine: none starts in the middle of a print; the next tick
    // takes it.
    if (OffLoopWork::underWay())
        return;
    if (const auto& processor = hooks().commandProcessor)
        processor(*this);
}

QPushButton* frmController::cmdShowConfig() const { return d->cmdShowConfig; }
QPushButton* frmController::cmdInjectData() const { return d->cmdInjectData; }
QPushButton* frmController::cmdAddItem() const { return d->cmdAddItem; }
QPushButton* frmController::cmdAsyncPrint() const { return d->cmdAsyncPrint; }
QPushButton* frmController::cmdHideGUI() const { return d->cmdHideGUI; }
QPushButton* frmController::cmdInterruptGUI() const { return d->cmdInterruptGUI; }
QTimer* frmController::tmrCommand() const { return d->tmrCommand; }

void frmController::setCommandProcessor(CommandProcessor processor)
{
    hooks().commandProcessor = std::move(processor);
}

void frmController::setSaleObjectFactories(BasketItemFactory basketItemFactory, VoucherFactory voucherFactory)
{
    hooks().basketItemFactory = std::move(basketItemFactory);
    hooks().voucherFactory = std::move(voucherFactory);
}

void frmController::setStartScreenHooks(StartScreenHooks startScreen)
{
    hooks().startScreen = std::move(startScreen);
}

void frmController::setKioskHooks(KioskHooks kiosk)
{
    hooks().kiosk = std::move(kiosk);
}

void frmController::setClientsHook(ClientsHook hook)
{
    hooks().clients = std::move(hook);
}

void frmController::tellClients(int clients)
{
    if (const ClientsHook& hook = hooks().clients)
        hook(clients);
}

// ---- the engine's events ---------------------------------------------------------------------

void frmController::m_objEngine_ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel)
{
    if (!item || !hooks().basketItemFactory)
        return;
    std::shared_ptr<BasketItem> basketItem = hooks().basketItemFactory(item);
    if (!basketItem)
        return;
    raiseEvent([&](ControllerEvents& listener) { listener.ItemAdded(basketItem, cancel); });
}

void frmController::m_objEngine_ItemRemoved(std::shared_ptr<EngineBasketItem>& item)
{
    if (!item || !hooks().basketItemFactory)
        return;
    std::shared_ptr<BasketItem> basketItem = hooks().basketItemFactory(item);
    if (!basketItem)
        return;
    raiseEvent([&](ControllerEvents& listener) { listener.ItemRemoved(basketItem); });
}

void frmController::m_objEngine_VoucherAvailable(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile() || !hooks().voucherFactory)
        return;
    std::shared_ptr<Voucher> voucher = hooks().voucherFactory(fileName);
    if (!voucher)
        return;
    raiseEvent([&](ControllerEvents& listener) { listener.VoucherAvailable(voucher); });
}

void frmController::m_objEngine_Surrender(qint32 reason, const QString& message)
{
    raiseEvent([&](ControllerEvents& listener) { listener.Surrender(reason, message); });
    if (!d->kioskMode)
        return;
    // No Sovereign writes this event's line for the hand-started kiosk.
    Trace::write(Trace::eventLine(u"Surrender"_s, {QString::number(reason), message}));
    if (hooks().kiosk.surrendered)
        hooks().kiosk.surrendered(reason, message);
    Disconnect(kKioskClient);
    if (reason == kSurrenderConfigUtility)
        callHook(hooks().startScreen.show);
}

void frmController::m_objEngine_BasketCommitted(qint16 numberOfItems)
{
    raiseEvent([&](ControllerEvents& listener) { listener.BasketCommitted(numberOfItems); });
    if (d->kioskMode && hooks().kiosk.basketCommitted)
        hooks().kiosk.basketCommitted();
}

void frmController::m_objEngine_SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle)
{
    ProcessState& state = ProcessState::instance();
    state.automationTimeout = timeout;
    state.timeoutMessageText = msgText;
    state.timeoutMessageTitle = msgTitle;
}

void frmController::beginEngineEvent()
{
    ++d->engineEventDepth;
}

void frmController::endEngineEvent()
{
    --d->engineEventDepth;
}

template <class Handler>
void ControllerEngineSink::engineEvent(Handler&& handler)
{
    // The controller may be unloaded inside the event; it is destroyed from the event loop, so
    // it is still here when the handler returns.
    q.beginEngineEvent();
    try {
        handler();
    } catch (...) {
        q.endEngineEvent();
        throw;
    }
    q.endEngineEvent();
}

void ControllerEngineSink::AddItemFailed(const QString& productID, const QString& message)
{
    relay([&](ControllerEvents& listener) { listener.AddItemFailed(productID, message); });
}

void ControllerEngineSink::BasketCommitted(qint16 numberOfItems)
{
    StatusFile::instance().noteSale();
    engineEvent([&] { q.m_objEngine_BasketCommitted(numberOfItems); });
}

void ControllerEngineSink::BasketSuspended(const QString& handle)
{
    relay([&](ControllerEvents& listener) { listener.BasketSuspended(handle); });
}

void ControllerEngineSink::DataMismatch(qint16 index, const Variant& data, const QString& message)
{
    relay([&](ControllerEvents& listener) { listener.DataMismatch(index, data, message); });
}

void ControllerEngineSink::GetData(const QString& name, const QString& dataType, qint32 device,
                                   const QString& errorMessage, Variant& data, bool& cancel)
{
    relay([&](ControllerEvents& listener) { listener.GetData(name, dataType, device, errorMessage, data, cancel); });
}

void ControllerEngineSink::ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel)
{
    engineEvent([&] { q.m_objEngine_ItemAdded(item, cancel); });
}

void ControllerEngineSink::ItemRemoved(std::shared_ptr<EngineBasketItem>& item)
{
    engineEvent([&] { q.m_objEngine_ItemRemoved(item); });
}

void ControllerEngineSink::RefuseInterrupt()
{
    relay([](ControllerEvents& listener) { listener.RefuseInterrupt(); });
}

void ControllerEngineSink::ResumeComplete(qint16 numberOfItems)
{
    relay([&](ControllerEvents& listener) { listener.ResumeComplete(numberOfItems); });
}

void ControllerEngineSink::ResumeFailed(const QString& handle, const QString& message)
{
    relay([&](ControllerEvents& listener) { listener.ResumeFailed(handle, message); });
}

void ControllerEngineSink::SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle)
{
    engineEvent([&] { q.m_objEngine_SetOLETimeout(timeout, msgText, msgTitle); });
}

void ControllerEngineSink::StartDevice(qint32 device)
{
    relay([&](ControllerEvents& listener) { listener.StartDevice(device); });
}

void ControllerEngineSink::StopDevice(qint32 device)
{
    relay([&](ControllerEvents& listener) { listener.StopDevice(device); });
}

void ControllerEngineSink::Surrender(qint32 reason, const QString& message)
{
    engineEvent([&] { q.m_objEngine_Surrender(reason, message); });
}

void ControllerEngineSink::SuspendFailed(const QString& message)
{
    relay([&](ControllerEvents& listener) { listener.SuspendFailed(message); });
}

void ControllerEngineSink::VoucherAvailable(const QString& fileName)
{
    engineEvent([&] { q.m_objEngine_VoucherAvailable(fileName); });
}

void ControllerEngineSink::Error(qint32, const QString&)
{
    q.releaseConnection();
}

void ControllerEngineSink::Timeout()
{
    q.releaseConnection();
}

void ControllerEngineSink::UploadFileComplete(const QString&, const QString&)
{
    q.releaseConnection();
}
