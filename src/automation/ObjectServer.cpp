#include "automation/ObjectServer.h"

#include "services/Trace.h"
#include "automation/BusError.h"
#include "automation/BusValue.h"
#include "automation/ClientObjectMapper.h"
#include "automation/IntrospectionXml.h"
#include "automation/PendingReply.h"
#include "platform/RuntimeErrors.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

namespace {

const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
const QString kUnknownObject = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString kUnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString kReadOnly = QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kLimitsExceeded = QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");

// A bound of the server reached: the call is refused, nothing else changes.
class LimitReached : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The string arguments a standard call must start with, or nothing when they are not strings.
std::optional<QStringList> leadingStrings(const QDBusMessage& message, qsizetype count)
{
    const QVariantList received = message.arguments();
    if (received.size() < count)
        return std::nullopt;
    QStringList strings;
    for (qsizetype i = 0; i < count; ++i) {
        if (received.at(i).metaType() != QMetaType::fromType<QString>())
            return std::nullopt;
        strings.append(received.at(i).toString());
    }
    return strings;
}

QDBusMessage failure(const QDBusMessage& message, const std::function<QDBusMessage()>& body)
{
    try {
        return body();
    } catch (const BusValue::Malformed& malformed) {
        return message.createErrorReply(kInvalidArgs, QString::fromStdString(malformed.what()));
    } catch (const LimitReached& limit) {
        return message.createErrorReply(kLimitsExceeded, QString::fromStdString(limit.what()));
    } catch (const BusValue::TooLarge& limit) {
        return message.createErrorReply(kLimitsExceeded, QString::fromStdString(limit.what()));
    } catch (...) {
        return BusError::reply(message, AutomationError::fromCurrentException());
    }
}

} // namespace

ObjectServer::ObjectServer(const QDBusConnection& connection, const QString& rootPath, QObject* parent)
    : QDBusVirtualObject(parent)
    , m_connection(connection)
    , m_rootPath(rootPath)
    , m_tracker(connection, [this](const QString& client) {
        releaseClient(client);
        if (m_clientLeft)
            m_clientLeft(client);
    })
{
    m_relayListener = EventRelay::addListener([this] { serveReleasedCalls(); });
}

void ObjectServer::setClientLeftHandler(ClientTracker::Handler handler)
{
    m_clientLeft = std::move(handler);
}

ObjectServer::~ObjectServer()
{
    EventRelay::removeListener(m_relayListener);
    if (m_registered)
        m_connection.unregisterObject(m_rootPath, QDBusConnection::UnregisterTree);
}

bool ObjectServer::start()
{
    m_registered = m_connection.registerVirtualObject(m_rootPath, this, QDBusConnection::SubPath);
    return m_registered;
}

void ObjectServer::publish(std::shared_ptr<ExportedObject> object)
{
    m_objects.insert(m_rootPath, Entry {std::move(object), QString(), m_rootPath});
}

QString ObjectServer::exportFor(const QString& client, const QString& tree, std::shared_ptr<ExportedObject> object)
{
    QSet<QString>& paths = m_clientPaths[client];
    if (paths.size() >= m_objectLimit) {
        if (paths.isEmpty())
            m_clientPaths.remove(client);
        throw LimitReached(QStringLiteral("A client holds at most %1 objects").arg(m_objectLimit).toStdString());
    }
    const QString parent = tree.isEmpty() ? m_rootPath : tree;
    const QString path = parent + u'/' + object->className() + u'_' + QString::number(++m_nextId);
    // An object made at the root starts a tree of its own; what it hands out lives under it.
    const bool ownTree = tree.isEmpty() || tree == m_rootPath;
    if (const ObjectRef target = object->target())
        m_targetPaths.insert(TargetKey(client, target.get()), path);
    m_objects.insert(path, Entry {std::move(object), client, ownTree ? path : tree});
    paths.insert(path);
    m_tracker.track(client);
    return path;
}

void ObjectServer::setAdapter(const QString& className, Adapter adapter)
{
    m_adapters.insert(className, std::move(adapter));
}

QString ObjectServer::pathFor(const QString& client, const QString& tree, const ObjectRef& object)
{
    const auto known = m_targetPaths.constFind(TargetKey(client, object.get()));
    if (known != m_targetPaths.cend())
        return *known;
    const auto adapter = m_adapters.constFind(object->className());
    if (adapter == m_adapters.cend())
        RuntimeErrors::raise(RuntimeErrors::InternalError, QString(),
                             QStringLiteral("No bus form for objects of class ") + object->className());
    return exportFor(client, tree, (*adapter)(object));
}

std::shared_ptr<ExportedObject> ObjectServer::objectOf(const QString& client, const QString& path) const
{
    const auto it = m_objects.constFind(path);
    if (it == m_objects.cend() || it->client != client)
        return nullptr;
    return it->object;
}

QString ObjectServer::treeOf(const QString& path) const
{
    return m_objects.value(path).tree;
}

void ObjectServer::release(const QString& path)
{
    end(path);
}

void ObjectServer::releaseClient(const QString& client)
{
    // The paths go at once, so that nothing reaches them again; the objects end a batch at a
    // time, with every other client served in between.
    QList<std::shared_ptr<ExportedObject>> objects;
    for (const QString& path : m_clientPaths.value(client)) {
        const auto it = m_objects.find(path);
        if (it != m_objects.end())
            objects.append(forget(it));
    }
    m_clientPaths.remove(client);
    m_tracker.forget(client);
    endLater(std::move(objects));
}

void ObjectServer::endLater(QList<std::shared_ptr<ExportedObject>> objects)
{
    const qsizetype now = std::min(objects.size(), kObjectsEndedPerTurn);
    for (qsizetype i = 0; i < now; ++i)
        objects.at(i)->released();
    if (objects.size() == now)
        return;
    objects.remove(0, now);
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [this, alive = m_lifetime.watch(), rest = std::move(objects)]() mutable {
                           if (!alive.expired())
                               endLater(std::move(rest));
                       });
}

void ObjectServer::end(const QString& path)
{
    const auto it = m_objects.find(path);
    if (it == m_objects.end())
        return;
    const std::shared_ptr<ExportedObject> object = forget(it);
    object->released();
}

std::shared_ptr<ExportedObject> ObjectServer::forget(QMap<QString, Entry>::iterator entry)
{
    std::shared_ptr<ExportedObject> object = entry->object;
    const auto paths = m_clientPaths.find(entry->client);
    if (paths != m_clientPaths.end()) {
        paths->remove(entry.key());
        if (paths->isEmpty())
            m_clientPaths.erase(paths);
    }
    if (const ObjectRef target = object->target()) {
        const auto known = m_targetPaths.find(TargetKey(entry->client, target.get()));
        if (known != m_targetPaths.end() && *known == entry.key())
            m_targetPaths.erase(known);
    }
    m_objects.erase(entry);
    return object;
}

qsizetype ObjectServer::objectCount() const
{
    return m_objects.size();
}

QString ObjectServer::rootPath() const
{
    return m_rootPath;
}

QDBusConnection ObjectServer::connection() const
{
    return m_connection;
}

QStringList ObjectServer::childrenOf(const QString& path, const QString& client) const
{
    const QString prefix = path == QLatin1String("/") ? path : path + u'/';
    QSet<QString> children;
    for (const QString& own : m_clientPaths.value(client)) {
        if (own.startsWith(prefix))
            children.insert(own.mid(prefix.size()).section(u'/', 0, 0));
    }
    QStringList sorted(children.cbegin(), children.cend());
    sorted.sort();
    return sorted;
}

bool ObjectServer::anyObjectUnder(const QString& path) const
{
    const QString prefix = path + u'/';
    const auto it = m_objects.lowerBound(prefix);
    return it != m_objects.cend() && it.key().startsWith(prefix);
}

// Without a caller to ask for, no child is shown: the objects under a path are each client's own.
QString ObjectServer::introspect(const QString& path) const
{
    const auto it = m_objects.constFind(path);
    if (it != m_objects.cend())
        return IntrospectionXml::forObject(*it->object, {});
    return IntrospectionXml::forNode({});
}

QDBusMessage ObjectServer::introspectFor(const QDBusMessage& message) const
{
    const QString path = message.path();
    const QStringList children = childrenOf(path, message.service());
    const auto it = m_objects.constFind(path);
    if (it != m_objects.cend())
        return message.createReply(IntrospectionXml::forObject(*it->object, children));
    if (!children.isEmpty())
        return message.createReply(IntrospectionXml::forNode(children));
    // A path whose object has gone, under which only other clients' objects live, tells nothing of them.
    if (anyObjectUnder(path))
        return message.createErrorReply(kAccessDenied, QStringLiteral("The object belongs to another client"));
    return message.createErrorReply(kUnknownObject, QStringLiteral("No object at ") + path);
}

bool ObjectServer::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    HeldCall call {message, PendingReply::holdFor(message.service())};
    const bool behindOwn = std::any_of(m_held.cbegin(), m_held.cend(), [&](const HeldCall& held) {
        return held.message.service() == message.service();
    });
    if (!behindOwn && mayServe(call)) {
        serve(message);
        return true;
    }
    if (m_held.size() >= kHeldCallLimit) {
        m_connection.send(message.createErrorReply(
            kLimitsExceeded, QStringLiteral("More than %1 calls wait for an event to return").arg(kHeldCallLimit)));
        return true;
    }
    m_held.append(std::move(call));
    return true;
}

// A call that came after an answer waits for the relay that waited for it, unless pcQUIBA is
// again waiting for that client: then the client's handler may need the call to answer. A call
// that comes while the same client's earlier call is still under way (a print waiting for the
// printer) waits for that call's answer.
bool ObjectServer::mayServe(const HeldCall& held) const
{
    const QString& client = held.message.service();
    if (PendingReply::awaits(client))
        return true;
    return held.until.expired() && !m_serving.contains(client);
}

void ObjectServer::serveReleasedCalls()
{
    // Each client's calls keep their order; serving one may nest a relay that serves others.
    QSet<QString> waiting;
    for (qsizetype i = 0; i < m_held.size();) {
        const QString client = m_held.at(i).message.service();
        if (waiting.contains(client) || !mayServe(m_held.at(i))) {
            waiting.insert(client);
            ++i;
            continue;
        }
        serve(m_held.takeAt(i).message);
        waiting.clear();
        i = 0;
    }
}

void ObjectServer::serve(const QDBusMessage& message)
{
    if (EventRelay::depth() >= EventRelay::maximumDepth()) {
        m_connection.send(message.createErrorReply(
            kLimitsExceeded, QStringLiteral("Calls nest more than %1 events deep").arg(EventRelay::maximumDepth())));
        return;
    }
    m_serving.append(message.service());
    const QDBusMessage reply = dispatch(message);
    m_serving.removeOne(message.service());
    m_connection.send(reply);
    // The client's calls that waited for this answer go now (the loop that releases calls
    // already running goes on by itself).
    if (!m_releasing && !m_held.isEmpty() && !m_serving.contains(message.service())) {
        m_releasing = true;
        serveReleasedCalls();
        m_releasing = false;
    }
}

QDBusMessage ObjectServer::dispatch(const QDBusMessage& message)
{
    const auto it = m_objects.constFind(message.path());
    if (it != m_objects.cend()) {
        if (!it->client.isEmpty() && it->client != message.service())
            return message.createErrorReply(kAccessDenied, QStringLiteral("The object belongs to another client"));
        // The entry is copied so that the object outlives a handler that releases it.
        return dispatchToObject(message, Entry(*it));
    }
    if (message.interface() == kIntrospectable && message.member() == QLatin1String("Introspect"))
        return introspectFor(message);
    return message.createErrorReply(kUnknownObject, QStringLiteral("No object at ") + message.path());
}

QDBusMessage ObjectServer::dispatchToObject(const QDBusMessage& message, const Entry& entry)
{
    const QString interface = message.interface();
    const QString member = message.member();
    if (interface == kIntrospectable && member == QLatin1String("Introspect"))
        return introspectFor(message);
    if (interface == kProperties) {
        if (member == QLatin1String("Get"))
            return getProperty(message, entry);
        if (member == QLatin1String("Set"))
            return setProperty(message, entry);
        if (member == QLatin1String("GetAll"))
            return getAllProperties(message, entry);
        return message.createErrorReply(kUnknownMethod, QStringLiteral("No member ") + member);
    }
    if (!interface.isEmpty() && interface != entry.object->interfaceName())
        return message.createErrorReply(kUnknownInterface, QStringLiteral("No interface ") + interface);
    if (member == IntrospectionXml::releaseMethod()) {
        if (!entry.object->isReleasable())
            return message.createErrorReply(kAccessDenied, QStringLiteral("The object lives as long as the process"));
        end(message.path());
        return message.createReply();
    }
    const BusMember* method = entry.object->findMember(member, BusMember::Kind::Method);
    if (!method)
        return message.createErrorReply(kUnknownMethod, QStringLiteral("No member ") + member);
    return invoke(message, entry, *method);
}

QDBusMessage ObjectServer::invoke(const QDBusMessage& message, const Entry& entry, const BusMember& member)
{
    return failure(message, [&] {
        const QVariantList received = message.arguments();
        if (received.size() > member.arguments.size())
            throw BusValue::Malformed("too many arguments");
        ClientObjectMapper objects(*this, message.service(), entry.tree);
        BusCall call {{}, {}, message.service(), message.path(), this};
        for (qsizetype i = 0; i < member.arguments.size(); ++i) {
            const BusArgument& declared = member.arguments.at(i);
            std::optional<Variant> value;
            if (i < received.size())
                value = declared.clientPath ? Variant(BusValue::clientPath(received.at(i)))
                                            : BusValue::argumentFromBus(received.at(i), objects);
            if (!value && !member.arguments.at(i).optional)
                RuntimeErrors::raise(RuntimeErrors::ArgumentNotOptional);
            call.arguments.append(value.value_or(Variant()));
            call.omitted.append(!value);
        }
        const Variant result = member.invoke(call);
        QVariantList reply;
        if (member.hasResult)
            reply.append(QVariant::fromValue(BusValue::toBus(result, objects)));
        for (qsizetype i = 0; i < member.arguments.size(); ++i) {
            if (member.arguments.at(i).byReference)
                reply.append(QVariant::fromValue(BusValue::toBus(call.arguments.at(i), objects)));
        }
        return message.createReply(reply);
    });
}

const BusMember* ObjectServer::propertyOf(const QDBusMessage& message, const Entry& entry, QDBusMessage& error) const
{
    const std::optional<QStringList> names = leadingStrings(message, 2);
    if (!names) {
        error = message.createErrorReply(kInvalidArgs, QStringLiteral("Expected an interface and a property name"));
        return nullptr;
    }
    if (!names->at(0).isEmpty() && names->at(0) != entry.object->interfaceName()) {
        error = message.createErrorReply(kUnknownInterface, QStringLiteral("No interface ") + names->at(0));
        return nullptr;
    }
    const BusMember* property = entry.object->findMember(names->at(1), BusMember::Kind::Property);
    if (!property)
        error = message.createErrorReply(kUnknownProperty, QStringLiteral("No property ") + names->at(1));
    return property;
}

QDBusMessage ObjectServer::getProperty(const QDBusMessage& message, const Entry& entry)
{
    QDBusMessage error;
    const BusMember* property = propertyOf(message, entry, error);
    if (!property)
        return error;
    if (message.arguments().size() != 2)
        return message.createErrorReply(kInvalidArgs, QStringLiteral("Expected an interface and a property name"));
    if (!property->isReadable())
        return message.createErrorReply(kAccessDenied, QStringLiteral("The property cannot be read"));
    return failure(message, [&] {
        ClientObjectMapper objects(*this, message.service(), entry.tree);
        BusCall call {{}, {}, message.service(), message.path(), this};
        return message.createReply(QVariant::fromValue(BusValue::toBus(property->invoke(call), objects)));
    });
}

QDBusMessage ObjectServer::setProperty(const QDBusMessage& message, const Entry& entry)
{
    QDBusMessage error;
    const BusMember* property = propertyOf(message, entry, error);
    if (!property)
        return error;
    if (message.arguments().size() != 3)
        return message.createErrorReply(kInvalidArgs, QStringLiteral("Expected an interface, a property name and a value"));
    if (!property->isWritable())
        return message.createErrorReply(kReadOnly, QStringLiteral("The property cannot be written"));
    return failure(message, [&] {
        ClientObjectMapper objects(*this, message.service(), entry.tree);
        BusCall call {{}, {}, message.service(), message.path(), this};
        property->assign(call, BusValue::fromBus(message.arguments().at(2), objects));
        return message.createReply();
    });
}

QDBusMessage ObjectServer::getAllProperties(const QDBusMessage& message, const Entry& entry)
{
    const std::optional<QStringList> names = leadingStrings(message, 1);
    if (!names || message.arguments().size() != 1)
        return message.createErrorReply(kInvalidArgs, QStringLiteral("Expected an interface name"));
    if (!names->at(0).isEmpty() && names->at(0) != entry.object->interfaceName())
        return message.createErrorReply(kUnknownInterface, QStringLiteral("No interface ") + names->at(0));
    ClientObjectMapper objects(*this, message.service(), entry.tree);
    QVariantMap values;
    for (const BusMember& property : entry.object->members()) {
        if (property.kind != BusMember::Kind::Property || !property.isReadable())
            continue;
        try {
            BusCall call {{}, {}, message.service(), message.path(), this};
            values.insert(property.name, BusValue::toBus(property.invoke(call), objects).variant());
        } catch (...) {
            const AutomationError refused = AutomationError::fromCurrentException();
            Trace::write(QStringLiteral("GetAll: %1.%2 left out: %3 %4")
                             .arg(entry.object->className(), property.name, QString::number(refused.number()),
                                  refused.description()),
                         Trace::WarningSeverity);
        }
    }
    return message.createReply(QVariant::fromValue(values));
}
