#include "automation/AutomationServer.h"

#include "api/API.h"
#include "automation/APIObject.h"
#include "automation/AutomationFactory.h"
#include "automation/SaleObjectTables.h"

#include <QDBusConnectionInterface>
#include <dbus/dbus.h>
#include <utility>

namespace {

// libdbus stops reading a connection once the messages read and not yet freed pass its limit
// (63 MiB by default), and resumes only when told so from the connection's own thread: QtDBus
// frees messages on the main thread, so the connection would never be read again. The limit is
// set above what the bus can deliver at once, as the session bus bounds what it queues for us.
constexpr long kReceivedBytesLimit = 1L << 30;

void keepReadingLargeMessages(const QDBusConnection& connection)
{
    if (auto* raw = static_cast<DBusConnection*>(connection.internalPointer()))
        dbus_connection_set_max_received_size(raw, kReceivedBytesLimit);
}

} // namespace

AutomationServer::AutomationServer(const QDBusConnection& connection)
    : m_connection(connection)
    , m_objects(std::make_unique<ObjectServer>(connection, rootPath()))
{
    m_objects->publish(std::make_shared<AutomationFactory>());
    addAdapters();
}

AutomationServer::~AutomationServer()
{
    releaseName();
}

void AutomationServer::releaseName()
{
    if (std::exchange(m_ownsName, false))
        m_connection.unregisterService(serviceName());
}

bool AutomationServer::start()
{
    if (!m_objects->start())
        return false;
    keepReadingLargeMessages(m_connection);
    m_ownsName = m_connection.registerService(serviceName());
    return m_ownsName;
}

void AutomationServer::addAdapters()
{
    ObjectServer& server = *m_objects;
    server.setAdapter(API::kClassName, [&server](const ObjectRef& object) {
        return std::make_shared<APIObject>(server, std::static_pointer_cast<API>(object));
    });
    for (const QString& className : SaleObjectTables::classNames())
        server.setAdapter(className, &SaleObjectTables::exported);
}

QString AutomationServer::serviceName()
{
    return QStringLiteral("org.pcquiba.pcQUIBA");
}

QString AutomationServer::rootPath()
{
    return QStringLiteral("/org/pcquiba/pcQUIBA");
}
