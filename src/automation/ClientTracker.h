#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>

// Watches the clients that hold objects: when a client's connection leaves the bus (a crash
// included) clientLeft tells so, once.
class ClientTracker : public QObject {
    Q_OBJECT
public:
    explicit ClientTracker(const QDBusConnection& connection, QObject* parent = nullptr);

    // Starts watching a client's unique name. A client that has already left is reported too.
    void track(const QString& client);
    void forget(const QString& client);
    bool isTracked(const QString& client) const;

Q_SIGNALS:
    void clientLeft(const QString& client);

private:
    void confirmPresent(const QString& client);
    void leave(const QString& client);

    QDBusConnection m_connection;
    QDBusServiceWatcher m_watcher;
    QSet<QString> m_clients;
};
