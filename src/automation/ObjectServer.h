#pragma once

#include "automation/ClientTracker.h"
#include "automation/ExportedObject.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QMap>
#include <functional>
#include <memory>

class BusObjectMapper;

// Serves every object under one root path on one connection: each object's own interface,
// org.freedesktop.DBus.Introspectable and org.freedesktop.DBus.Properties through the member
// handlers, and Release. An object belongs to the client it was made for; any other connection is
// refused with org.freedesktop.DBus.Error.AccessDenied. When a client leaves the bus all its
// objects end.
class ObjectServer : public QDBusVirtualObject {
public:
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
    void releaseClient(const QString& client);
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

    QDBusMessage dispatch(const QDBusMessage& message);
    QDBusMessage dispatchToObject(const QDBusMessage& message, const Entry& entry);
    QDBusMessage invoke(const QDBusMessage& message, const Entry& entry, const BusMember& member);
    QDBusMessage getProperty(const QDBusMessage& message, const Entry& entry);
    QDBusMessage setProperty(const QDBusMessage& message, const Entry& entry);
    QDBusMessage getAllProperties(const QDBusMessage& message, const Entry& entry);
    // The property named by a Properties call's interface and name, or an error reply.
    const BusMember* propertyOf(const QDBusMessage& message, const Entry& entry, QDBusMessage& error) const;
    QStringList childrenOf(const QString& path) const;
    void end(const QString& path);

    QDBusConnection m_connection;
    QString m_rootPath;
    QMap<QString, Entry> m_objects;
    QHash<QString, Adapter> m_adapters;
    ClientTracker m_tracker;
    quint64 m_nextId = 0;
    bool m_registered = false;
    ClientTracker::Handler m_clientLeft;
};
