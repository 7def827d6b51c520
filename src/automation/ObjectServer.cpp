#include "automation/ObjectServer.h"

#include "app/Trace.h"
#include "automation/BusError.h"
#include "automation/BusValue.h"
#include "automation/ClientObjectMapper.h"
#include "automation/IntrospectionXml.h"
#include "platform/RuntimeErrors.h"

#include <QDBusMessage>
#include <QSet>

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
}

void ObjectServer::setClientLeftHandler(ClientTracker::Handler handler)
{
    m_clientLeft = std::move(handler);
}

ObjectServer::~ObjectServer()
{
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
    const QString parent = tree.isEmpty() ? m_rootPath : tree;
    const QString path = parent + u'/' + object->className() + u'_' + QString::number(++m_nextId);
    // An object made at the root starts a tree of its own; what it hands out lives under it.
    const bool ownTree = tree.isEmpty() || tree == m_rootPath;
    m_objects.insert(path, Entry {std::move(object), client, ownTree ? path : tree});
    m_tracker.track(client);
    return path;
}

void ObjectServer::setAdapter(const QString& className, Adapter adapter)
{
    m_adapters.insert(className, std::move(adapter));
}

QString ObjectServer::pathFor(const QString& client, const QString& tree, const ObjectRef& object)
{
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (it->client == client && it->object->target() == object)
            return it.key();
    }
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
    QStringList paths;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (!client.isEmpty() && it->client == client)
            paths.append(it.key());
    }
    for (const QString& path : paths)
        end(path);
    m_tracker.forget(client);
}

void ObjectServer::end(const QString& path)
{
    const auto it = m_objects.find(path);
    if (it == m_objects.end())
        return;
    const std::shared_ptr<ExportedObject> object = it->object;
    m_objects.erase(it);
    object->released();
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

QStringList ObjectServer::childrenOf(const QString& path) const
{
    const QString prefix = path == QLatin1String("/") ? path : path + u'/';
    QStringList children;
    for (auto it = m_objects.lowerBound(prefix); it != m_objects.cend() && it.key().startsWith(prefix); ++it) {
        const QString child = it.key().mid(prefix.size()).section(u'/', 0, 0);
        if (children.isEmpty() || children.last() != child)
            children.append(child);
    }
    return children;
}

QString ObjectServer::introspect(const QString& path) const
{
    const auto it = m_objects.constFind(path);
    if (it != m_objects.cend())
        return IntrospectionXml::forObject(*it->object, childrenOf(path));
    return IntrospectionXml::forNode(childrenOf(path));
}

bool ObjectServer::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    QDBusConnection(connection).send(dispatch(message));
    return true;
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
    if (message.interface() == kIntrospectable && message.member() == QLatin1String("Introspect")
        && (message.path() == m_rootPath || !childrenOf(message.path()).isEmpty()))
        return message.createReply(introspect(message.path()));
    return message.createErrorReply(kUnknownObject, QStringLiteral("No object at ") + message.path());
}

QDBusMessage ObjectServer::dispatchToObject(const QDBusMessage& message, const Entry& entry)
{
    const QString interface = message.interface();
    const QString member = message.member();
    if (interface == kIntrospectable && member == QLatin1String("Introspect"))
        return message.createReply(introspect(message.path()));
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
