#include "automation/ClientTracker.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <utility>

ClientTracker::ClientTracker(const QDBusConnection& connection, Handler clientLeft, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_watcher(QString(), connection, QDBusServiceWatcher::WatchForUnregistration)
    , m_clientLeft(std::move(clientLeft))
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &ClientTracker::leave);
}

void ClientTracker::track(const QString& client)
{
    if (m_clients.contains(client))
        return;
    m_clients.insert(client);
    m_watcher.addWatchedService(client);
    confirmPresent(client);
}

void ClientTracker::forget(const QString& client)
{
    if (m_clients.remove(client))
        m_watcher.removeWatchedService(client);
}

bool ClientTracker::isTracked(const QString& client) const
{
    return m_clients.contains(client);
}

// The client may have left between its call and the start of the watch; the bus knows.
void ClientTracker::confirmPresent(const QString& client)
{
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    auto* pending = new QDBusPendingCallWatcher(m_connection.asyncCall(QDBusMessage(ask) << client), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, client](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isValid() && !reply.value())
            leave(client);
        call->deleteLater();
    });
}

void ClientTracker::leave(const QString& client)
{
    if (!m_clients.contains(client))
        return;
    forget(client);
    m_clientLeft(client);
}
