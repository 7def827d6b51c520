#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QVariant unwrapped(const QDBusMessage& reply)
{
    return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
}

TEST(ActivationTest, TheFirstCreateAPIStartsPcquibaWhichKnowsItWasStartedByAutomation)
{
    QTemporaryDir root;
    PrivateBus bus(root.path());
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection connection = bus.connect();
    ASSERT_TRUE(connection.isConnected());
    EXPECT_FALSE(connection.interface()->isServiceRegistered(PrivateBus::kService).value());

    // No start by hand: the call itself makes the bus start the program.
    const QDBusMessage created = connection.call(
        QDBusMessage::createMethodCall(PrivateBus::kService, PrivateBus::kRootPath, PrivateBus::kService, QStringLiteral("CreateAPI")),
        QDBus::Block, 60000);
    ASSERT_EQ(created.type(), QDBusMessage::ReplyMessage) << created.errorMessage().toStdString();
    const QString api = unwrapped(created).value<QDBusObjectPath>().path();
    EXPECT_TRUE(api.startsWith(QStringLiteral("/org/pcquiba/pcQUIBA/API_"))) << api.toStdString();

    QDBusMessage version = QDBusMessage::createMethodCall(PrivateBus::kService, api, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
    version << QStringLiteral("org.pcquiba.API") << QStringLiteral("Version");
    EXPECT_TRUE(unwrapped(connection.call(version)).toString().startsWith(QStringLiteral("VB.")));

    // The started program took the bus's environment (its root) and its start mode.
    QFile log(root.path() + QStringLiteral("/logs/pcQUIBA.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Started by automation: waiting for the Sovereign"));
    const QDBusReply<uint> pid = connection.interface()->servicePid(PrivateBus::kService);
    ASSERT_TRUE(pid.isValid());
    bus.stopService();
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/%1/exe").arg(pid.value())));
}

} // namespace
