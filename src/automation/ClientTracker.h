#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <functional>

// Watches the clients that hold objects: when a client's connection leaves the bus (a crash
// included) the handler is told so, once.
class ClientTracker : public QObject {
public:
    using Handler = std::function<void(const QString& client)>;

    ClientTracker(const QDBusConnection& connection, Handler clientLeft, QObject* parent = nullptr);

    // Starts watching a client's unique name. A client that has already left is reported too.
    void track(const QString& client);
    void forget(const QString& client);
    bool isTracked(const QString& client) const;

private:
    void confirmPresent(const QString& client);
    void leave(const QString& client);

    QDBusConnection m_connection;
    QDBusServiceWatcher m_watcher;
    QSet<QString> m_clients;
    Handler m_clientLeft;
};
