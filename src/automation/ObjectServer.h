#pragma once

#include "automation/ClientTracker.h"
#include "automation/ExportedObject.h"
#include "platform/EventRelay.h"
#include "platform/Lifetime.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QMap>
#include <QSet>
#include <functional>
#include <memory>

class BusObjectMapper;

// Serves every object under one root path on one connection: each object's own interface,
// org.freedesktop.DBus.Introspectable and org.freedesktop.DBus.Properties through the member
// handlers, and Release. An object belongs to the client it was made for; any other connection is
// refused with org.freedesktop.DBus.Error.AccessDenied. When a client leaves the bus all its
// objects end.
//
// Calls a client sends once its answer to an event is in wait until that event's relay has
// returned (PendingReply), and a client's calls that arrive while its earlier call is still under
// way (a print) wait for its answer; every other client is served at once. Calls never nest
// deeper than EventRelay's bound. A client holds at most
// objectLimit() live objects.
class ObjectServer : public QDBusVirtualObject {
public:
    static constexpr qsizetype kDefaultObjectLimit = 20000;
    static constexpr qsizetype kHeldCallLimit = 1000;
    // A departed client's objects end this many at a time, other clients served in between.
    static constexpr qsizetype kObjectsEndedPerTurn = 256;

    // Makes the exported form of an automation object of one class.
    using Adapter = std::function<std::shared_ptr<ExportedObject>(const ObjectRef&)>;

    ObjectServer(const QDBusConnection& connection, const QString& rootPath, QObject* parent = nullptr);
    ~ObjectServer() override;

    // Registers the root path and everything under it.
    bool start();
    // The object at the root path, open to every connection.
    void publish(std::shared_ptr<ExportedObject> object);
    // Exports an object for a client under a tree (the root path when none); returns its path.
    QString exportFor(const QString& client, const QString& tree, std::shared_ptr<ExportedObject> object);
    void setAdapter(const QString& className, Adapter adapter);

    // The path of an automation object in a client's hands, exporting it when needed.
    QString pathFor(const QString& client, const QString& tree, const ObjectRef& object);
    // The client's object at a path; none when the path is not one of the client's.
    std::shared_ptr<ExportedObject> objectOf(const QString& client, const QString& path) const;

    // The tree an exported object belongs to; empty for a path that is not exported.
    QString treeOf(const QString& path) const;

    void release(const QString& path);
    // Ends every object of the client, kObjectsEndedPerTurn at a time; its paths are gone at once.
    void releaseClient(const QString& client);
    qsizetype objectLimit() const { return m_objectLimit; }
    // Tests lower the bound to reach it quickly.
    void setObjectLimit(qsizetype limit) { m_objectLimit = limit; }
    // Told after every object of a client has ended because the client left the bus.
    void setClientLeftHandler(ClientTracker::Handler handler);
    qsizetype objectCount() const;
    QString rootPath() const;
    QDBusConnection connection() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct Entry {
        std::shared_ptr<ExportedObject> object;
        QString client;
        QString tree;
    };

    struct HeldCall {
        QDBusMessage message;
        EventRelay::Token until;
    };

    void serve(const QDBusMessage& message);
    void serveReleasedCalls();
    bool mayServe(const HeldCall& held) const;
    QDBusMessage dispatch(const QDBusMessage& message);
    QDBusMessage dispatchToObject(const QDBusMessage& message, const Entry& entry);
    QDBusMessage invoke(const QDBusMessage& message, const Entry& entry, const BusMember& member);
    QDBusMessage getProperty(const QDBusMessage& message, const Entry& entry);
    QDBusMessage setProperty(const QDBusMessage& message, const Entry& entry);
    QDBusMessage getAllProperties(const QDBusMessage& message, const Entry& entry);
    // The property named by a Properties call's interface and name, or an error reply.
    const BusMember* propertyOf(const QDBusMessage& message, const Entry& entry, QDBusMessage& error) const;
    // The names of the nodes under a path that lead to the client's own objects.
    QStringList childrenOf(const QString& path, const QString& client) const;
    bool anyObjectUnder(const QString& path) const;
    // Introspect as the caller may see it: only its own objects appear as children.
    QDBusMessage introspectFor(const QDBusMessage& message) const;
    void end(const QString& path);
    // Takes the entry out of every index; the caller ends the object.
    std::shared_ptr<ExportedObject> forget(QMap<QString, Entry>::iterator entry);
    void endLater(QList<std::shared_ptr<ExportedObject>> objects);
    using TargetKey = std::pair<QString, const AutomationObject*>;

    QDBusConnection m_connection;
    QString m_rootPath;
    QMap<QString, Entry> m_objects;
    // The paths of each client's objects, and of each automation object in a client's hands.
    QHash<QString, QSet<QString>> m_clientPaths;
    QHash<TargetKey, QString> m_targetPaths;
    qsizetype m_objectLimit = kDefaultObjectLimit;
    QList<HeldCall> m_held;
    // The clients whose calls are being served, innermost last.
    QStringList m_serving;
    bool m_releasing = false;
    int m_relayListener = 0;
    Lifetime m_lifetime;
    QHash<QString, Adapter> m_adapters;
    ClientTracker m_tracker;
    quint64 m_nextId = 0;
    bool m_registered = false;
    ClientTracker::Handler m_clientLeft;
};
