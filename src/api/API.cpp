#include "api/API.h"

#include "api/APIEvents.h"
#include "api/AssignmentTemplates.h"
#include "api/Basket.h"
#include "api/BasketItem.h"
#include "api/ClassExit.h"
#include "api/Eftpos.h"
#include "api/IniTextBounds.h"
#include "api/IniWriteFailure.h"
#include "api/Journal.h"
#include "api/SaleGuards.h"
#include "api/SaleObjects.h"
#include "api/Settings.h"
#include "api/SovereignWindow.h"
#include "api/TickCount.h"
#include "api/UserInterface.h"
#include "api/Voucher.h"
#include "api/VoucherDelivery.h"
#include "services/ErrorExit.h"
#include "services/PrivateData.h"
#include "services/ProcedureFrame.h"
#include "services/ProcessInitialiser.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/frmController.h"
#include "platform/Blanks.h"
#include "platform/Clock.h"
#include "platform/RuntimeErrors.h"
#include "support/modTouchTools.h"

#include <QPushButton>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

const QString kQuote = u"\""_s;

QString boolText(bool value)
{
    return Trace::valueText(Variant(value));
}

// The identifiers of the live API objects: two clients under one name would share one entry in
// the controller's clients, and the first to end would take the other out with it.
QSet<QString>& identifiersInUse()
{
    static QSet<QString> inUse;
    return inUse;
}

void requireReady(ProcedureFrame& frame)
{
    SaleGuards::require(frame, API::kClassName, {{SaleGuards::Ready}});
}

void requireReadyAndAssigned(ProcedureFrame& frame)
{
    SaleGuards::require(frame, API::kClassName, {{SaleGuards::Ready}, {SaleGuards::Assigned}});
}

// An item in an event line: its product, then its description, read in that order.
QString itemText(const std::shared_ptr<BasketItem>& item, const QString& separator)
{
    if (!item)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    const QString productID = item->ProductID();
    return productID + separator + item->Description();
}

QString voucherPath(const std::shared_ptr<Voucher>& voucher)
{
    if (!voucher)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return voucher->path();
}

clsINIFile& processIni()
{
    const std::shared_ptr<clsINIFile>& ini = ProcessState::instance().ini;
    if (!ini)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return *ini;
}

} // namespace

// ---- creation and destruction ----------------------------------------------------------------

API::API()
{
    if (!ProcessState::instance().initialised)
        ProcessInitialiser::run();
    try {
        Class_Initialize();
    } catch (...) {
        // Never made, the object holds no identifier and hears no events.
        if (m_controller && !m_controller->isUnloading()) {
            m_controller->unadvise(this);
            m_controller->Disconnect(m_identifier);
        }
        identifiersInUse().remove(m_identifier);
        throw;
    }
}

API::~API()
{
    try {
        Class_Terminate();
    } catch (...) {
        // A destructor reports nothing; the error handler has the record.
    }
    identifiersInUse().remove(m_identifier);
}

void API::Class_Initialize()
{
    ProcedureFrame frame(u"Sub Class_Initialize"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        Trace::write(u"Initialising API object"_s);
        m_identifier = newIdentifier();
        SaleObjects::install();
        frmController& controller = frmController::instance().Connect(m_identifier);
        m_controller = &controller;
        controller.advise(this);
        controller.StartEngine();
    });
}

void API::Class_Terminate()
{
    ProcedureFrame frame(u"Sub Class_Terminate"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        if (m_settings)
            m_settings->eraseScriptItPut();
        VoucherDelivery::ownerLeaves(this);
        // A controller unloaded under this client (the start screen closed it) has nothing
        // left to disconnect from.
        frmController* controller = m_controller.data();
        m_controller.clear();
        if (!controller || controller->isUnloading())
            return;
        controller->unadvise(this);
        controller->Disconnect(m_identifier);
    });
}

QString API::newIdentifier()
{
    const qint32 tick = TickCount::now();
    QSet<QString>& inUse = identifiersInUse();
    static quint32 lastIssued = quint32(tick);
    // The tick itself when it is free; else the next free one after the newest identifier (in
    // the Long's own wrapping arithmetic), so that a Sovereign making thousands of objects within
    // a few ticks never searches through all of them.
    quint32 candidate = quint32(tick);
    if (inUse.contains(QString::number(qint32(candidate))) && qint32(lastIssued - candidate) >= 0)
        candidate = lastIssued;
    while (inUse.contains(QString::number(qint32(candidate))))
        ++candidate;
    lastIssued = candidate;
    const QString identifier = QString::number(qint32(candidate));
    inUse.insert(identifier);
    return identifier;
}

QString API::className() const
{
    return kClassName;
}

void API::advise(APIEvents* sink)
{
    if (sink && !m_sinks.contains(sink))
        m_sinks.append(sink);
}

void API::unadvise(APIEvents* sink)
{
    m_sinks.removeAll(sink);
}

// ---- state and identity ----------------------------------------------------------------------

bool API::IsReady()
{
    ProcedureFrame frame(u"Property (Get) IsReady"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"IsReady"_s));
        const bool ready = frmController::instance().EngineReady();
        Trace::write(Trace::resultLine(boolText(ready)));
        return ready;
    });
}

bool API::IsBusy()
{
    ProcedureFrame frame(u"Property (Get) IsBusy"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"IsBusy"_s));
        requireReady(frame);
        const bool busy = SaleGuards::requiredEngine()->IsBusy();
        Trace::write(Trace::resultLine(boolText(busy)));
        return busy;
    });
}

bool API::IsAssigned()
{
    ProcedureFrame frame(u"Property (Get) IsAssigned"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"IsAssigned"_s));
        requireReady(frame);
        const bool assigned = !SaleGuards::requiredEngine()->AssignRequired();
        Trace::write(Trace::resultLine(boolText(assigned)));
        return assigned;
    });
}

QString API::identityGet(const QString& name, const QString& lineName, QString (*read)(const RulesEngine&))
{
    ProcedureFrame frame(u"Property (Get) "_s + name, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, lineName));
        requireReady(frame);
        const QString value = read(*SaleGuards::requiredEngine());
        Trace::write(Trace::resultLine(value));
        return value;
    });
}

void API::identitySet(const QString& name, const QString& value, void (*write)(RulesEngine&, const QString&))
{
    ProcedureFrame frame(u"Property (Let) "_s + name, kClassName);
    frame.run(classExit<API>(), [&] {
        const QString trimmed = Blanks::trim(value);
        Trace::write(Trace::setLine(kClassName, name, trimmed));
        requireReady(frame);
        write(*SaleGuards::requiredEngine(), trimmed);
    });
}

QString API::POSDeviceID()
{
    return identityGet(u"POSDeviceID"_s, u"POSDeviceID"_s, [](const RulesEngine& e) { return e.POSDeviceID(); });
}

void API::setPOSDeviceID(const QString& value)
{
    identitySet(u"POSDeviceID"_s, value, [](RulesEngine& e, const QString& v) { e.setPOSDeviceID(v); });
}

QString API::POSOperatorID()
{
    return identityGet(u"POSOperatorID"_s, u"POSOperatorID"_s, [](const RulesEngine& e) { return e.POSOperatorID(); });
}

void API::setPOSOperatorID(const QString& value)
{
    identitySet(u"POSOperatorID"_s, value, [](RulesEngine& e, const QString& v) { e.setPOSOperatorID(v); });
}

QString API::POSReferenceID()
{
    return identityGet(u"POSReferenceID"_s, u"POSReferenceID"_s,
                       [](const RulesEngine& e) { return e.POSReferenceID(); });
}

void API::setPOSReferenceID(const QString& value)
{
    identitySet(u"POSReferenceID"_s, value, [](RulesEngine& e, const QString& v) { e.setPOSReferenceID(v); });
}

// The two Sovereign reads write their GET line with a blank after the name.
QString API::SovereignName()
{
    return identityGet(u"SovereignName"_s, u"SovereignName "_s, [](const RulesEngine& e) { return e.SovereignName(); });
}

void API::setSovereignName(const QString& value)
{
    identitySet(u"SovereignName"_s, value, [](RulesEngine& e, const QString& v) { e.setSovereignName(v); });
}

QString API::SovereignVersion()
{
    return identityGet(u"SovereignVersion"_s, u"SovereignVersion "_s,
                       [](const RulesEngine& e) { return e.SovereignVersion(); });
}

void API::setSovereignVersion(const QString& value)
{
    identitySet(u"SovereignVersion"_s, value, [](RulesEngine& e, const QString& v) { e.setSovereignVersion(v); });
}

bool API::TrainingMode()
{
    ProcedureFrame frame(u"Property (Get) TrainingMode"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"TrainingMode"_s));
        requireReadyAndAssigned(frame);
        const bool value = SaleGuards::requiredEngine()->TrainingMode();
        Trace::write(Trace::resultLine(boolText(value)));
        return value;
    });
}

void API::setTrainingMode(bool value)
{
    ProcedureFrame frame(u"Property (Let) TrainingMode"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        Trace::write(Trace::setLine(kClassName, u"TrainingMode"_s, boolText(value)));
        requireReadyAndAssigned(frame);
        const std::shared_ptr<RulesEngine> engine = SaleGuards::requiredEngine();
        // No basket holds no items.
        const std::shared_ptr<EngineBasket> basket = engine->Basket();
        if (basket && basket->Count() > 0) {
            frame.leave();
            const AutomationError refusal = QuibaErrorCatalogue::error(quibaBasketNotEmpty, kClassName);
            throw AutomationError(refusal.number(), refusal.source(), refusal.description(),
                                  u"Cannot modify TrainingMode"_s);
        }
        engine->setTrainingMode(value);
    });
}

QString API::Version()
{
    ProcedureFrame frame(u"Property (Get) Version"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"Version"_s));
        const QString version = ProcessState::instance().versionString;
        Trace::write(Trace::resultLine(version));
        return version;
    });
}

bool API::WellBehaved()
{
    ProcedureFrame frame(u"Property (Get) WellBehaved"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"WellBehaved"_s));
        const bool value = ProcessState::instance().wellBehaved;
        Trace::write(Trace::resultLine(boolText(value)));
        return value;
    });
}

void API::setWellBehaved(bool value)
{
    ProcedureFrame frame(u"Property (Let) WellBehaved"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        Trace::write(Trace::setLine(kClassName, u"WellBehaved"_s, boolText(value)));
        ProcessState::instance().wellBehaved = value;
    });
}

qint32 API::SovereignHWnd()
{
    ProcedureFrame frame(u"Property SovereignHWnd"_s, kClassName);
    return m_sovereignHWnd;
}

void API::setSovereignHWnd(qint32 value)
{
    ProcedureFrame frame(u"Property SovereignHWnd"_s, kClassName);
    m_sovereignHWnd = value;
}

// ---- products --------------------------------------------------------------------------------

QString API::productQuery(const QString& name, const QString& productID,
                          const std::function<Variant(RulesEngine&, const QString&)>& ask)
{
    ProcedureFrame frame(u"Function "_s + name, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::callLine(kClassName, name, {productID}));
        const QString product = Blanks::trim(productID);
        requireReady(frame);
        if (product.isEmpty())
            frame.raise(quibaInvalidArgument, kClassName, {Variant(u"ProductID"_s)});
        const QString answer = Trace::valueText(ask(*SaleGuards::requiredEngine(), product));
        Trace::write(Trace::resultLine(answer));
        return answer;
    });
}

bool API::SimpleProduct(const QString& productID)
{
    const QString answer = productQuery(u"SimpleProduct"_s, productID, [](RulesEngine& engine, const QString& product) {
        return Variant(engine.SimpleProduct(product));
    });
    return Variant(answer).toBool();
}

QString API::ProductSupplier(const QString& productID)
{
    return productQuery(u"ProductSupplier"_s, productID, [](RulesEngine& engine, const QString& product) {
        return Variant(engine.ProductSupplier(product));
    });
}

// ---- the sale objects ------------------------------------------------------------------------

template <class T>
std::shared_ptr<T> API::factory(const QString& name, std::shared_ptr<T>& object, bool assignCheck)
{
    ProcedureFrame frame(u"Function "_s + name, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::callLine(kClassName, name));
        if (assignCheck)
            requireReadyAndAssigned(frame);
        else
            requireReady(frame);
        if (!object)
            object = std::make_shared<T>();
        return object;
    });
}

std::shared_ptr<UserInterface> API::UserInterface()
{
    return factory(u"UserInterface"_s, m_userInterface, true);
}

std::shared_ptr<Basket> API::Basket()
{
    return factory(u"Basket"_s, m_basket, true);
}

std::shared_ptr<Journal> API::Journal()
{
    return factory(u"Journal"_s, m_journal, true);
}

std::shared_ptr<Settings> API::Settings()
{
    return factory(u"Settings"_s, m_settings, true);
}

std::shared_ptr<Eftpos> API::Eftpos()
{
    return factory(u"Eftpos"_s, m_eftpos, false);
}

// ---- INFO ------------------------------------------------------------------------------------

QString API::infoKey(const QString& name)
{
    QString key = Blanks::trim(name.toLower());
    if (key.startsWith(u'_'))
        key.remove(0, 1);
    return key;
}

QString API::POSInfo(const QString& name)
{
    ProcedureFrame frame(u"Property (Get) POSInfo"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        if (Blanks::trim(name.toLower()).isEmpty())
            return QString();
        const QString key = infoKey(name);
        Trace::write(u"GET: API.POSInfo("_s + key + u')');
        const QString value = processIni().GetString(IniSections::Info, key, QString());
        Trace::write(Trace::resultLine(value));
        return value;
    });
}

void API::setPOSInfo(const QString& name, const QString& value)
{
    ProcedureFrame frame(u"Property (Let) POSInfo"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        if (Blanks::trim(name.toLower()).isEmpty())
            return;
        const QString key = infoKey(name);
        Trace::write(u"SET: API.POSInfo("_s + key + u") = "_s + value);
        if (const auto over = IniTextBounds::firstOverLimit({{u"Name"_s, key, IniTextBounds::kNameLimit},
                                                             {u"Value"_s, value, IniTextBounds::kValueLimit}}))
            frame.raise(quibaInvalidArgument, kClassName, {Variant(*over)});
        processIni().WriteString(IniSections::Info, key, value);
        IniWriteFailure::raiseIfAny(frame, kClassName, processIni());
    });
}

// ---- host assignment -------------------------------------------------------------------------

QString API::assignResult(bool assigned, const QString& message)
{
    return (assigned ? u"OK: "_s : u"FAILED: "_s) + message;
}

QString API::Assign1(std::optional<QString>& hardwareID, std::optional<QString>& assignCode1,
                     std::optional<QString>& assignCode2, std::optional<bool>& force)
{
    ProcedureFrame frame(u"Function Assign1"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        for (std::optional<QString>* value : {&hardwareID, &assignCode1, &assignCode2}) {
            if (*value)
                **value = Blanks::trim(**value);
        }
        const QString hardware = hardwareID.value_or(QString());
        const QString code1 = assignCode1.value_or(QString());
        const QString code2 = assignCode2.value_or(QString());
        bool forced = force.value_or(false);
        Trace::write(Trace::callLine(kClassName, u"Assign1"_s,
                                     {modTouchTools::QuoteText(Variant(hardware), kQuote),
                                      modTouchTools::QuoteText(Variant(code1), kQuote),
                                      modTouchTools::QuoteText(Variant(code2), kQuote), boolText(forced)}));
        requireReady(frame);
        QString message;
        const bool assigned =
            SaleGuards::requiredEngine()->Assign1(message, nullptr, QString(), hardware, code1, code2, forced);
        if (force)
            *force = forced;
        return assignResult(assigned, message);
    });
}

QString API::Assign2(VariantArray& arguments)
{
    ProcedureFrame frame(u"Function Assign2"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        // Nested arrays count as their elements, in order.
        const VariantArray flat = modTouchTools::FlattenArray(arguments);
        QStringList quoted;
        for (const Variant& argument : flat)
            quoted.append(modTouchTools::QuoteText(argument, kQuote));
        Trace::write(Trace::callLine(kClassName, u"Assign2"_s, quoted));
        requireReady(frame);

        AssignmentTemplates::Values values;
        if (const std::optional<QString> stop = AssignmentTemplates::compose(processIni(), flat, values))
            return assignResult(false, *stop);
        QString message;
        const bool assigned = SaleGuards::requiredEngine()->Assign1(
            message, nullptr, QString(), values.hardwareID, values.assignCode1, values.assignCode2, values.force);
        return assignResult(assigned, message);
    });
}

QString API::Assign3()
{
    ProcedureFrame frame(u"Function Assign3"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Assign3"_s));
        requireReady(frame);
        QString message;
        const bool assigned = SaleGuards::requiredEngine()->Assign3(message, QString());
        return assignResult(assigned, message);
    });
}

QString API::Assign4(VariantArray& arguments)
{
    ProcedureFrame frame(u"Function Assign4"_s, kClassName);
    return frame.run(classExit<API>(), [&] {
        // The arguments are not written.
        Trace::write(Trace::callLine(kClassName, u"Assign4"_s));
        requireReady(frame);
        QString message;
        const bool assigned =
            SaleGuards::requiredEngine()->Assign4(message, nullptr, VariantArray{Variant(arguments)});
        return assignResult(assigned, message);
    });
}

// ---- device data -----------------------------------------------------------------------------

void API::InjectData(const Variant& data, std::optional<qint32> device)
{
    ProcedureFrame frame(u"Sub InjectData"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        // The call line joins the data as text, which an array or an object cannot be.
        if (data.isArray() || data.isObject())
            RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
        Trace::write(Trace::callLine(kClassName, u"InjectData"_s, {PrivateData::shown(Trace::valueText(data))}));
        requireReadyAndAssigned(frame);
        // Inside GetData the data is the event's answer.
        if (m_inDataRequest) {
            m_injectedData = data;
            return;
        }
        const qint32 deviceNumber = device.value_or(0);
        if ((SaleGuards::requiredEngine()->ActiveDevices() & deviceNumber) <= 0)
            frame.raise(quibaBadDevice, kClassName);
        frmController& controller = frmController::instance();
        controller.Args().setItem(u"Data"_s, data);
        controller.Args().setItem(u"Device"_s, Variant(deviceNumber));
        controller.PostClickWithArguments(controller.cmdInjectData(), {u"Data"_s, u"Device"_s});
    });
}

void API::InjectCancel(bool cancel)
{
    ProcedureFrame frame(u"Sub InjectCancel"_s, kClassName);
    frame.run(classExit<API>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"InjectCancel"_s, {boolText(cancel)}));
        m_injectionCancelled = cancel;
    });
}

// ---- the event relay -------------------------------------------------------------------------

void API::passOver(const std::function<void()>& step)
{
    try {
        step();
    } catch (...) {
    }
}

void API::raiseToSinks(const std::function<void(APIEvents&)>& raise)
{
    // A sink may unadvise, or advise another, from inside the event.
    const QList<APIEvents*> sinks = m_sinks;
    for (APIEvents* sink : sinks) {
        if (m_sinks.contains(sink))
            passOver([&] { raise(*sink); });
    }
}

void API::relay(const std::function<QString()>& callLine, const std::function<void(APIEvents&)>& raise,
                const QString& endEvent, EndLine endLine)
{
    passOver([&] { Trace::write(callLine()); });
    raiseToSinks(raise);
    if (endLine == EndLine::Written)
        passOver([&] { Trace::write(Trace::endEventLine(endEvent)); });
}

void API::Surrender(qint32 reason, const QString& message)
{
    passOver([&] { Trace::write(Trace::eventLine(u"Surrender"_s, {QString::number(reason), message})); });
    raiseToSinks([&](APIEvents& sink) { sink.Surrender(reason, message); });
    if (m_sovereignHWnd != 0) {
        passOver([&] {
            Trace::write(u"SetForegroundWindow("_s + QString::number(m_sovereignHWnd) + u')');
            SovereignWindow::bringToForeground(m_sovereignHWnd);
        });
    }
    passOver([&] { Trace::write(Trace::endEventLine(u"Surrender"_s)); });
}

void API::RefuseInterrupt()
{
    relay([] { return Trace::eventLine(u"RefuseInterrupt"_s); },
          [](APIEvents& sink) { sink.RefuseInterrupt(); }, u"RefuseInterrupt"_s);
}

void API::StartDevice(qint32 device)
{
    relay([&] { return Trace::eventLine(u"StartDevice"_s, {QString::number(device)}); },
          [&](APIEvents& sink) { sink.StartDevice(device); }, u"StartDevice"_s);
}

void API::StopDevice(qint32 device)
{
    relay([&] { return Trace::eventLine(u"StopDevice"_s, {QString::number(device)}); },
          [&](APIEvents& sink) { sink.StopDevice(device); }, u"StopDevice"_s);
}

void API::GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                  Variant& data, bool& cancel)
{
    // A request raised while another one waits for its handler (the handler called into the
    // engine) must not end the outer one: its state comes back afterwards.
    const bool nested = m_inDataRequest;
    const Variant outerData = m_injectedData;
    const bool outerCancelled = m_injectionCancelled;

    m_inDataRequest = true;
    m_injectedData = Variant::null();
    m_injectionCancelled = false;

    passOver([&] {
        Trace::write(Trace::eventLine(u"GetData"_s, {name, dataType, errorMessage, PrivateData::shown(Trace::valueText(data))}));
    });
    raiseToSinks([&](APIEvents& sink) { sink.GetData(name, dataType, device, errorMessage, data, cancel); });
    // InjectCancel(True) wins over everything; an injection wins over the handler's Data.
    if (m_injectionCancelled)
        cancel = true;
    else if (!m_injectedData.isNull())
        data = m_injectedData;
    passOver([&] {
        Trace::write(u" --> END EVENT: GetData (returned: Data = "_s + PrivateData::shown(Trace::valueText(data)) + u", Cancel = "_s
                     + boolText(cancel) + u')');
    });

    m_inDataRequest = nested;
    m_injectionCancelled = nested && outerCancelled;
    m_injectedData = nested ? outerData : Variant::null();
}

void API::DataMismatch(qint16 index, const Variant& data, const QString& message)
{
    relay([&] {
        return Trace::eventLine(u"DataMismatch"_s, {QString::number(index), PrivateData::shown(Trace::valueText(data)), message});
    },
          [&](APIEvents& sink) { sink.DataMismatch(index, data, message); }, u"DataMismatch"_s);
}

void API::ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel)
{
    m_injectionCancelled = false;
    passOver([&] { Trace::write(Trace::eventLine(u"ItemAdded"_s, {itemText(basketItem, u" = "_s)})); });
    raiseToSinks([&](APIEvents& sink) { sink.ItemAdded(basketItem, cancel); });
    if (cancel || m_injectionCancelled) {
        cancel = true;
        passOver([] {
            Trace::write(Trace::endEventLine(u"ItemAdded (Cancelled by Sovereign!)"_s), Trace::WarningSeverity);
        });
    } else {
        passOver([] { Trace::write(Trace::endEventLine(u"ItemAdded"_s)); });
    }
    m_injectionCancelled = false;
}

void API::ItemRemoved(std::shared_ptr<BasketItem>& basketItem)
{
    relay([&] { return Trace::eventLine(u"ItemRemoved"_s, {itemText(basketItem, u"="_s)}); },
          [&](APIEvents& sink) { sink.ItemRemoved(basketItem); }, u"ItemRemoved"_s);
}

void API::AddItemFailed(const QString& productID, const QString& message)
{
    relay([&] { return Trace::eventLine(u"AddItemFailed"_s, {productID, message}); },
          [&](APIEvents& sink) { sink.AddItemFailed(productID, message); }, u"AddItemFailed"_s);
}

void API::VoucherAvailable(std::shared_ptr<Voucher>& voucher)
{
    // The path as the voucher holds it: the FileName property would rewrite the document, and
    // refuses one the engine has not released yet.
    if (voucher)
        VoucherDelivery::offered(this, voucher->path());
    relay([&] { return Trace::eventLine(u"VoucherAvailable"_s, {voucherPath(voucher)}); },
          [&](APIEvents& sink) { sink.VoucherAvailable(voucher); }, u"VoucherAvailable"_s);
}

void API::BasketCommitted(qint16 numberOfItems)
{
    const auto engine = m_controller ? m_controller->Engine() : nullptr;
    VoucherDelivery::basketCommitted(this, engine ? engine->POSReferenceID() : QString(), Clock::now());
    relay([&] { return Trace::eventLine(u"BasketCommitted"_s, {QString::number(numberOfItems)}); },
          [&](APIEvents& sink) { sink.BasketCommitted(numberOfItems); }, u"BasketCommitted"_s);
}

void API::BasketSuspended(const QString& handle)
{
    relay([&] { return Trace::eventLine(u"BasketSuspended"_s, {handle}); },
          [&](APIEvents& sink) { sink.BasketSuspended(handle); }, u"BasketSuspended"_s);
}

void API::SuspendFailed(const QString& message)
{
    relay([&] { return Trace::eventLine(u"SuspendFailed"_s, {message}); },
          [&](APIEvents& sink) { sink.SuspendFailed(message); }, u"SuspendFailed"_s);
}

void API::ResumeComplete(qint16 numberOfItems)
{
    relay([&] { return Trace::eventLine(u"ResumeComplete"_s, {QString::number(numberOfItems)}); },
          [&](APIEvents& sink) { sink.ResumeComplete(numberOfItems); }, u"ResumeComplete"_s);
}

void API::ResumeFailed(const QString& handle, const QString& message)
{
    relay([&] { return Trace::eventLine(u"ResumeFailed"_s, {handle, message}); },
          [&](APIEvents& sink) { sink.ResumeFailed(handle, message); }, u"ResumeFailed"_s);
}

// The print events write no end line.
void API::PrintBegin(qint16 numberOfDocuments)
{
    relay([&] { return Trace::eventLine(u"PrintBegin"_s, {QString::number(numberOfDocuments)}); },
          [&](APIEvents& sink) { sink.PrintBegin(numberOfDocuments); }, {}, EndLine::None);
}

void API::PrintVoucher(const QString& alignment)
{
    relay([&] { return Trace::eventLine(u"PrintVoucher"_s, {alignment}); },
          [&](APIEvents& sink) { sink.PrintVoucher(alignment); }, {}, EndLine::None);
}

void API::PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                    const QString& alignment, qint16 indent, const QString& data)
{
    relay([&] { return Trace::eventLine(u"PrintText"_s, {PrivateData::shown(data)}); },
          [&](APIEvents& sink) { sink.PrintText(font, emphasis, charWidth, charHeight, alignment, indent, data); }, {},
          EndLine::None);
}

void API::PrintLine(qint16 width)
{
    relay([&] { return Trace::eventLine(u"PrintLine"_s, {QString::number(width)}); },
          [&](APIEvents& sink) { sink.PrintLine(width); }, {}, EndLine::None);
}

void API::PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                       const QString& data)
{
    relay([&] { return Trace::eventLine(u"PrintBarcode"_s, {barcodeType, PrivateData::shown(data)}); },
          [&](APIEvents& sink) { sink.PrintBarcode(barcodeType, width, height, alignment, data); }, {},
          EndLine::None);
}

void API::PrintGraphicsBegin(const QString& verticalAlignment)
{
    relay([&] { return Trace::eventLine(u"PrintGraphicsBegin"_s, {verticalAlignment}); },
          [&](APIEvents& sink) { sink.PrintGraphicsBegin(verticalAlignment); }, {}, EndLine::None);
}

void API::PrintImage(const QString& alignment, const QString& fileName)
{
    relay([&] { return Trace::eventLine(u"PrintImage"_s, {alignment, fileName}); },
          [&](APIEvents& sink) { sink.PrintImage(alignment, fileName); }, {}, EndLine::None);
}

void API::PrintGraphicsEnd()
{
    relay([] { return Trace::eventLine(u"PrintGraphicsEnd"_s); }, [](APIEvents& sink) { sink.PrintGraphicsEnd(); },
          {}, EndLine::None);
}

void API::PrintCut(bool& halfCut)
{
    relay([&] { return Trace::eventLine(u"PrintCut"_s, {boolText(halfCut)}); },
          [&](APIEvents& sink) { sink.PrintCut(halfCut); }, {}, EndLine::None);
}

void API::PrintVoucherEnd()
{
    relay([] { return Trace::eventLine(u"PrintVoucherEnd"_s); }, [](APIEvents& sink) { sink.PrintVoucherEnd(); },
          {}, EndLine::None);
}

void API::PrintEnd()
{
    relay([] { return Trace::eventLine(u"PrintEnd"_s); }, [](APIEvents& sink) { sink.PrintEnd(); }, {},
          EndLine::None);
}

void API::Closing(const QString& message)
{
    relay([&] { return Trace::eventLine(u"Closing"_s, {message}); },
          [&](APIEvents& sink) { sink.Closing(message); }, u"Closing"_s);
}

void API::Ready()
{
    // The engine's start is no event of the Sovereign's.
}
