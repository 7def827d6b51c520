#include "automation/APIObject.h"

#include "api/API.h"
#include "api/Basket.h"
#include "api/Eftpos.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "automation/APIEventTable.h"
#include "automation/AutomationType.h"
#include "automation/BusEventSink.h"
#include "automation/BusMembers.h"
#include "automation/ObjectServer.h"
#include "platform/RuntimeErrors.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

Variant orEmpty(const std::optional<QString>& value)
{
    return value ? Variant(*value) : Variant();
}

// A text property of the API object: get and let through its member functions.
BusMember textProperty(const std::shared_ptr<API>& api, const QString& name, qint32 dispId, QString (API::*get)(),
                       void (API::*set)(const QString&), const QString& meaning)
{
    return BusMembers::property(
        name, dispId, AutomationType::string(), meaning, [api, get] { return Variant((api.get()->*get)()); },
        [api, set](const Variant& value) { (api.get()->*set)(value.toString()); });
}

BusMember flagProperty(const std::shared_ptr<API>& api, const QString& name, qint32 dispId, bool (API::*get)(),
                       const QString& meaning, void (API::*set)(bool) = nullptr)
{
    BusMembers::Setter setter;
    if (set)
        setter = [api, set](const Variant& value) { (api.get()->*set)(value.toBool()); };
    return BusMembers::property(name, dispId, AutomationType::boolean(), meaning, [api, get] { return Variant((api.get()->*get)()); },
                                setter);
}

BusArgument apiProductID()
{
    return BusMembers::argument(u"ProductID"_s, AutomationType::string(), u"The product; blanks around it are trimmed."_s);
}

BusMemberTable apiIdentity(const std::shared_ptr<API>& api)
{
    return {
        flagProperty(api, u"IsReady"_s, 0x68030009, &API::IsReady, u"True while the rules engine is ready; never raises."_s),
        flagProperty(api, u"IsBusy"_s, 0x68030008, &API::IsBusy, u"True while the engine is busy."_s),
        textProperty(api, u"POSDeviceID"_s, 0x68030007, &API::POSDeviceID, &API::setPOSDeviceID,
                     u"The till's device identifier, kept by the engine (trimmed)."_s),
        textProperty(api, u"POSOperatorID"_s, 0x68030006, &API::POSOperatorID, &API::setPOSOperatorID,
                     u"The operator's identifier, kept by the engine (trimmed)."_s),
        textProperty(api, u"POSReferenceID"_s, 0x68030005, &API::POSReferenceID, &API::setPOSReferenceID,
                     u"The sale's reference at the till, kept by the engine (trimmed)."_s),
        textProperty(api, u"SovereignName"_s, 0x68030004, &API::SovereignName, &API::setSovereignName,
                     u"The Sovereign's name, kept by the engine (trimmed)."_s),
        textProperty(api, u"SovereignVersion"_s, 0x68030003, &API::SovereignVersion, &API::setSovereignVersion,
                     u"The Sovereign's version, kept by the engine (trimmed)."_s),
        flagProperty(api, u"TrainingMode"_s, 0x68030002, &API::TrainingMode, u"The engine's training mode; changed only with an empty basket."_s,
                     &API::setTrainingMode),
        BusMembers::property(u"Version"_s, 0x68030001, AutomationType::string(), u"pcQUIBA's version, VB.MM.mm.rr."_s,
                             [api] { return Variant(api->Version()); }),
        flagProperty(api, u"WellBehaved"_s, 0x68030000, &API::WellBehaved,
                     u"True: the engine stops when the last client leaves; for the whole process."_s, &API::setWellBehaved),
        flagProperty(api, u"IsAssigned"_s, 0x68030014, &API::IsAssigned, u"True when the terminal is assigned to a host account."_s),
        BusMembers::property(
            u"SovereignHWnd"_s, 0x68030023, AutomationType::longInteger(),
            u"The Sovereign's window (an X11 window id), brought to the front at Surrender; 0 for none."_s,
            [api] { return Variant(api->SovereignHWnd()); }, [api](const Variant& value) { api->setSovereignHWnd(value.toLong()); }),
    };
}

BusMemberTable apiFactories(const std::shared_ptr<API>& api)
{
    struct Factory {
        QString name;
        qint32 dispId;
        QString meaning;
        std::function<ObjectRef()> make;
    };
    const Factory made[] = {
        {u"UserInterface"_s, 0x6003000D, u"The customer screen, the same object every time."_s, [api] { return ObjectRef(api->UserInterface()); }},
        {u"Basket"_s, 0x6003000E, u"The sale in progress, the same object every time."_s, [api] { return ObjectRef(api->Basket()); }},
        {u"Journal"_s, 0x6003000F, u"The journal (no members), the same object every time."_s, [api] { return ObjectRef(api->Journal()); }},
        {u"Settings"_s, 0x60030010, u"The INI file's keys, the same object every time."_s, [api] { return ObjectRef(api->Settings()); }},
        {u"Eftpos"_s, 0x60030017, u"The card-payment details, the same object every time."_s, [api] { return ObjectRef(api->Eftpos()); }},
    };
    BusMemberTable members;
    for (const Factory& factory : made) {
        members.append(BusMembers::function(factory.name, factory.dispId, {}, factory.name, factory.meaning,
                                            [create = factory.make](BusCall&) { return Variant(create()); }));
    }
    return members;
}

BusMemberTable apiAssignment(const std::shared_ptr<API>& api)
{
    const int flags = BusMembers::Optional | BusMembers::ByReference;
    const BusArgument byRef[] = {
        BusMembers::argument(u"HardwareID"_s, AutomationType::string(), u"The terminal's hardware identifier; comes back trimmed."_s, flags),
        BusMembers::argument(u"AssignCode1"_s, AutomationType::string(), u"The first assignment code; comes back trimmed."_s, flags),
        BusMembers::argument(u"AssignCode2"_s, AutomationType::string(), u"The second assignment code; comes back trimmed."_s, flags),
        BusMembers::argument(u"Force"_s, AutomationType::boolean(), u"Assign again over an existing assignment; as the engine left it."_s,
                             flags)};
    BusMemberTable members;
    members.append(BusMembers::function(u"Assign1"_s, 0x60030018, {byRef[0], byRef[1], byRef[2], byRef[3]}, AutomationType::string(),
                                        u"Assigns the terminal with the three values; \"OK: \" or \"FAILED: \" and the engine's message."_s,
                                        [api](BusCall& call) {
                                            std::optional<QString> hardwareID = call.optionalText(0);
                                            std::optional<QString> code1 = call.optionalText(1);
                                            std::optional<QString> code2 = call.optionalText(2);
                                            std::optional<bool> force;
                                            if (!call.isOmitted(3))
                                                force = call.arguments.at(3).toBool();
                                            const QString result = api->Assign1(hardwareID, code1, code2, force);
                                            call.arguments = {orEmpty(hardwareID), orEmpty(code1), orEmpty(code2),
                                                              force ? Variant(*force) : Variant()};
                                            return Variant(result);
                                        }));
    const std::pair<QString, qint32> templated[] = {{u"Assign2"_s, 0x60030019}, {u"Assign4"_s, 0x60030022}};
    const BusArgument args = BusMembers::argument(u"Args"_s, AutomationType::variantArray(), u"The values, in the templates' order."_s,
                                                  BusMembers::ByReference);
    for (const auto& [name, dispId] : templated) {
        const bool second = name == QLatin1String("Assign2");
        const QString meaning = second ? u"Assigns the terminal with values composed by the INI templates; \"OK: \" or \"FAILED: \"."_s
                                       : u"Assigns the terminal with values the engine reads itself; \"OK: \" or \"FAILED: \"."_s;
        members.append(BusMembers::function(name, dispId, {args}, AutomationType::string(), meaning, [api, second](BusCall& call) {
            if (!call.arguments.at(0).isArray())
                RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
            VariantArray arguments = call.arguments.at(0).arrayValue();
            const QString result = second ? api->Assign2(arguments) : api->Assign4(arguments);
            call.arguments[0] = Variant(arguments);
            return Variant(result);
        }));
    }
    members.append(BusMembers::function(u"Assign3"_s, 0x6003001C, {}, AutomationType::string(),
                                        u"Assigns the terminal as the engine knows how; \"OK: \" or \"FAILED: \"."_s,
                                        [api](BusCall&) { return Variant(api->Assign3()); }));
    return members;
}

BusMemberTable apiRequests(const std::shared_ptr<API>& api)
{
    BusMemberTable members {
        BusMembers::function(u"SimpleProduct"_s, 0x6003000C, {apiProductID()}, AutomationType::boolean(),
                             u"The engine's answer whether the product is a simple one."_s,
                             [api](BusCall& call) { return Variant(api->SimpleProduct(call.arguments.at(0).toString())); }),
        BusMembers::function(u"ProductSupplier"_s, 0x6003001F, {apiProductID()}, AutomationType::string(), u"The product's supplier."_s,
                             [api](BusCall& call) { return Variant(api->ProductSupplier(call.arguments.at(0).toString())); }),
        BusMembers::procedure(
            u"InjectData"_s, 0x60030011,
            {BusMembers::argument(u"Data"_s, AutomationType::variant(), u"The device's data, as text (an array or object is refused)."_s),
             BusMembers::argument(u"Device"_s, AutomationType::longInteger(), u"The device, a bit the engine listens to."_s,
                                  BusMembers::Optional)},
            u"Gives the engine device data: inside GetData its answer, else after the call returns."_s,
            [api](BusCall& call) {
                std::optional<qint32> device;
                if (!call.isOmitted(1))
                    device = call.arguments.at(1).toLong();
                api->InjectData(call.arguments.at(0), device);
            }),
        BusMembers::procedure(u"InjectCancel"_s, 0x60030012,
                              {BusMembers::argument(u"Cancel"_s, AutomationType::boolean(), u"True cancels."_s)},
                              u"Cancels the request of a running GetData or ItemAdded."_s,
                              [api](BusCall& call) { api->InjectCancel(call.arguments.at(0).toBool()); }),
    };
    members.append(BusMembers::indexedProperty(
        u"POSInfo"_s, 0x68030013,
        {BusMembers::argument(u"Name"_s, AutomationType::string(), u"The key, lower-cased and trimmed, a leading _ dropped."_s)},
        AutomationType::string(), u"Free information about the point of sale, in the INI section INFO."_s,
        [api](BusCall& call) { return Variant(api->POSInfo(call.arguments.at(0).toString())); },
        [api](BusCall& call, const Variant& value) { api->setPOSInfo(call.arguments.at(0).toString(), value.toString()); }));
    return members;
}

BusArgument apiSinkArgument()
{
    BusArgument argument = BusMembers::argument(u"Sink"_s, APIEventTable::className(),
                                                u"An object path on the caller's own connection."_s);
    argument.clientPath = true;
    return argument;
}

} // namespace

APIObject::APIObject(ObjectServer& server, std::shared_ptr<API> api)
    : m_server(server)
    , m_api(std::move(api))
    , m_members(memberTable(m_api, this))
{
}

APIObject::~APIObject() = default;

BusMemberTable APIObject::memberTable(const std::shared_ptr<API>& api, APIObject* self)
{
    BusMemberTable members = apiIdentity(api);
    members.append(apiFactories(api));
    members.append(apiAssignment(api));
    members.append(apiRequests(api));
    members.append(BusMembers::procedure(u"Advise"_s, std::nullopt, {apiSinkArgument()},
                                         u"Makes the sink receive every event of this object, once."_s,
                                         [self](BusCall& call) { self->advise(call, call.arguments.at(0).toString()); }));
    members.append(BusMembers::procedure(u"Unadvise"_s, std::nullopt, {apiSinkArgument()}, u"Stops the events to the sink."_s,
                                         [self](BusCall& call) { self->unadvise(call.arguments.at(0).toString()); }));
    return members;
}

BusMemberTable APIObject::describedMembers()
{
    return memberTable(nullptr, nullptr);
}

QString APIObject::className() const
{
    return API::kClassName;
}

const BusMemberTable& APIObject::members() const
{
    return m_members;
}

ObjectRef APIObject::target() const
{
    return m_api;
}

void APIObject::advise(const BusCall& call, const QString& sinkPath)
{
    // The same sink advised again still receives each event once.
    for (const std::shared_ptr<BusEventSink>& advised : std::as_const(m_sinks)) {
        if (advised->sinkPath() == sinkPath)
            return;
    }
    auto sink = std::make_shared<BusEventSink>(m_server, call.client, sinkPath, m_server.treeOf(call.path));
    m_sinks.append(sink);
    m_api->advise(sink.get());
}

void APIObject::unadvise(const QString& sinkPath)
{
    for (qsizetype i = 0; i < m_sinks.size(); ++i) {
        if (m_sinks.at(i)->sinkPath() == sinkPath) {
            m_api->unadvise(m_sinks.at(i).get());
            m_sinks.at(i)->end(m_api);
            m_sinks.removeAt(i);
            return;
        }
    }
}

void APIObject::released()
{
    for (const std::shared_ptr<BusEventSink>& sink : std::as_const(m_sinks)) {
        m_api->unadvise(sink.get());
        sink->end(m_api);
    }
    m_sinks.clear();
}
