#pragma once

#include "automation/ObjectServer.h"

#include <QDBusConnection>
#include <memory>

// The automation runtime stand-in: owns the well-known name on the bus and serves the factory
// and every object the Sovereigns hold.
class AutomationServer {
public:
    explicit AutomationServer(const QDBusConnection& connection);
    ~AutomationServer();

    // Registers the objects and takes the well-known name; false when another process owns it.
    bool start();
    // Gives the well-known name up while the objects still answer: a call that comes after it
    // starts a new process through activation.
    void releaseName();

    ObjectServer& objects() { return *m_objects; }

    static QString serviceName();
    static QString rootPath();

private:
    void addAdapters();

    QDBusConnection m_connection;
    std::unique_ptr<ObjectServer> m_objects;
    bool m_ownsName = false;
};
