#include "automation/APIObject.h"

#include "api/API.h"
#include "api/Basket.h"
#include "api/Eftpos.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "automation/BusEventSink.h"
#include "automation/BusMembers.h"
#include "automation/ObjectServer.h"
#include "platform/RuntimeErrors.h"

#include <utility>

namespace {

Variant orEmpty(const std::optional<QString>& value)
{
    return value ? Variant(*value) : Variant();
}

// A text property of the API object: get and let through its member functions.
BusMember textProperty(const std::shared_ptr<API>& api, const QString& name, qint32 dispId, QString (API::*get)(),
                       void (API::*set)(const QString&))
{
    return BusMembers::property(
        name, dispId, [api, get] { return Variant((api.get()->*get)()); },
        [api, set](const Variant& value) { (api.get()->*set)(value.toString()); });
}

BusMember flagProperty(const std::shared_ptr<API>& api, const QString& name, qint32 dispId, bool (API::*get)(),
                       void (API::*set)(bool) = nullptr)
{
    BusMembers::Setter setter;
    if (set)
        setter = [api, set](const Variant& value) { (api.get()->*set)(value.toBool()); };
    return BusMembers::property(name, dispId, [api, get] { return Variant((api.get()->*get)()); }, setter);
}

} // namespace

APIObject::APIObject(ObjectServer& server, std::shared_ptr<API> api)
    : m_server(server)
    , m_api(std::move(api))
{
    addIdentity();
    addFactories();
    addAssignment();
    const std::shared_ptr<API> api_ = m_api;
    m_members.append(BusMembers::function(QStringLiteral("SimpleProduct"), 0x6003000C, {{QStringLiteral("ProductID")}},
                                          [api_](BusCall& call) { return Variant(api_->SimpleProduct(call.arguments.at(0).toString())); }));
    m_members.append(BusMembers::function(QStringLiteral("ProductSupplier"), 0x6003001F, {{QStringLiteral("ProductID")}},
                                          [api_](BusCall& call) { return Variant(api_->ProductSupplier(call.arguments.at(0).toString())); }));
    m_members.append(BusMembers::procedure(QStringLiteral("InjectData"), 0x60030011,
                                           {{QStringLiteral("Data")}, {QStringLiteral("Device"), true}}, [api_](BusCall& call) {
                                               std::optional<qint32> device;
                                               if (!call.isOmitted(1))
                                                   device = call.arguments.at(1).toLong();
                                               api_->InjectData(call.arguments.at(0), device);
                                           }));
    m_members.append(BusMembers::procedure(QStringLiteral("InjectCancel"), 0x60030012, {{QStringLiteral("Cancel")}},
                                           [api_](BusCall& call) { api_->InjectCancel(call.arguments.at(0).toBool()); }));
    m_members.append(BusMembers::indexedProperty(
        QStringLiteral("POSInfo"), 0x68030013, {{QStringLiteral("Name")}},
        [api_](BusCall& call) { return Variant(api_->POSInfo(call.arguments.at(0).toString())); },
        [api_](BusCall& call, const Variant& value) { api_->setPOSInfo(call.arguments.at(0).toString(), value.toString()); }));
    m_members.append(BusMembers::procedure(QStringLiteral("Advise"), std::nullopt, {{QStringLiteral("Sink"), false, false, true}},
                                           [this](BusCall& call) { advise(call, call.arguments.at(0).toString()); }));
    m_members.append(BusMembers::procedure(QStringLiteral("Unadvise"), std::nullopt, {{QStringLiteral("Sink"), false, false, true}},
                                           [this](BusCall& call) { unadvise(call.arguments.at(0).toString()); }));
}

APIObject::~APIObject() = default;

void APIObject::addIdentity()
{
    const std::shared_ptr<API>& api = m_api;
    m_members.append(flagProperty(api, QStringLiteral("IsReady"), 0x68030009, &API::IsReady));
    m_members.append(flagProperty(api, QStringLiteral("IsBusy"), 0x68030008, &API::IsBusy));
    m_members.append(textProperty(api, QStringLiteral("POSDeviceID"), 0x68030007, &API::POSDeviceID, &API::setPOSDeviceID));
    m_members.append(textProperty(api, QStringLiteral("POSOperatorID"), 0x68030006, &API::POSOperatorID, &API::setPOSOperatorID));
    m_members.append(textProperty(api, QStringLiteral("POSReferenceID"), 0x68030005, &API::POSReferenceID, &API::setPOSReferenceID));
    m_members.append(textProperty(api, QStringLiteral("SovereignName"), 0x68030004, &API::SovereignName, &API::setSovereignName));
    m_members.append(textProperty(api, QStringLiteral("SovereignVersion"), 0x68030003, &API::SovereignVersion,
                                  &API::setSovereignVersion));
    m_members.append(flagProperty(api, QStringLiteral("TrainingMode"), 0x68030002, &API::TrainingMode, &API::setTrainingMode));
    m_members.append(BusMembers::property(QStringLiteral("Version"), 0x68030001, [api] { return Variant(api->Version()); }));
    m_members.append(flagProperty(api, QStringLiteral("WellBehaved"), 0x68030000, &API::WellBehaved, &API::setWellBehaved));
    m_members.append(flagProperty(api, QStringLiteral("IsAssigned"), 0x68030014, &API::IsAssigned));
    m_members.append(BusMembers::property(
        QStringLiteral("SovereignHWnd"), 0x68030023, [api] { return Variant(api->SovereignHWnd()); },
        [api](const Variant& value) { api->setSovereignHWnd(value.toLong()); }));
}

void APIObject::addFactories()
{
    const std::shared_ptr<API> api = m_api;
    const std::pair<QString, qint32> factories[] = {
        {QStringLiteral("UserInterface"), 0x6003000D}, {QStringLiteral("Basket"), 0x6003000E},
        {QStringLiteral("Journal"), 0x6003000F},       {QStringLiteral("Settings"), 0x60030010},
        {QStringLiteral("Eftpos"), 0x60030017},
    };
    const std::function<ObjectRef()> make[] = {
        [api] { return ObjectRef(api->UserInterface()); }, [api] { return ObjectRef(api->Basket()); },
        [api] { return ObjectRef(api->Journal()); },       [api] { return ObjectRef(api->Settings()); },
        [api] { return ObjectRef(api->Eftpos()); },
    };
    for (qsizetype i = 0; i < std::ssize(factories); ++i) {
        m_members.append(BusMembers::function(factories[i].first, factories[i].second, {},
                                              [create = make[i]](BusCall&) { return Variant(create()); }));
    }
}

void APIObject::addAssignment()
{
    const std::shared_ptr<API> api = m_api;
    const BusArgument byRef[] = {{QStringLiteral("HardwareID"), true, true}, {QStringLiteral("AssignCode1"), true, true},
                                 {QStringLiteral("AssignCode2"), true, true}, {QStringLiteral("Force"), true, true}};
    m_members.append(BusMembers::function(QStringLiteral("Assign1"), 0x60030018, {byRef[0], byRef[1], byRef[2], byRef[3]},
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
    const std::pair<QString, qint32> templated[] = {{QStringLiteral("Assign2"), 0x60030019}, {QStringLiteral("Assign4"), 0x60030022}};
    for (const auto& [name, dispId] : templated) {
        const bool second = name == QLatin1String("Assign2");
        m_members.append(BusMembers::function(name, dispId, {{QStringLiteral("Args"), false, true}}, [api, second](BusCall& call) {
            if (!call.arguments.at(0).isArray())
                RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
            VariantArray arguments = call.arguments.at(0).arrayValue();
            const QString result = second ? api->Assign2(arguments) : api->Assign4(arguments);
            call.arguments[0] = Variant(arguments);
            return Variant(result);
        }));
    }
    m_members.append(BusMembers::function(QStringLiteral("Assign3"), 0x6003001C, {}, [api](BusCall&) { return Variant(api->Assign3()); }));
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
