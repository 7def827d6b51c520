#pragma once

#include "api/APIFixture.h"
#include "automation/AutomationServer.h"
#include "automation/BusValue.h"

#include "BusTestSupport.h"
#include "ScriptedSink.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>
#include <memory>

// The automation server on the session bus with the fakes of an API test behind it, and what
// a Sovereign's test needs to drive it: clients, API objects, wire values and sinks.
namespace automation_test {

const QString kAPI = QStringLiteral("org.pcquiba.API");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

inline QString nextClient()
{
    static int next = 0;
    return QStringLiteral("sovereign%1").arg(++next);
}

inline QVariant wire(const Variant& value)
{
    NoObjects none;
    return QVariant::fromValue(BusValue::toBus(value, none));
}

inline Variant valueIn(const QDBusMessage& reply, qsizetype index = 0)
{
    NoObjects none;
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().size() <= index)
        return Variant(QStringLiteral("<no value: %1 %2>").arg(reply.errorName(), reply.errorMessage()));
    return BusValue::fromBus(reply.arguments().at(index), none);
}

inline QString pathIn(const QDBusMessage& reply, qsizetype index = 0)
{
    return qvariant_cast<QDBusVariant>(reply.arguments().value(index)).variant().value<QDBusObjectPath>().path();
}

class AutomationServerFixture : public APIFixture {
protected:
    void SetUp() override
    {
        APIFixture::SetUp();
        server = std::make_unique<AutomationServer>(QDBusConnection::sessionBus());
        ASSERT_TRUE(server->start());
    }

    void TearDown() override
    {
        server.reset();
        APIFixture::TearDown();
    }

    QString createAPI(BusClient& client)
    {
        const QDBusMessage reply = client.call(AutomationServer::rootPath(), QStringLiteral("org.pcquiba.pcQUIBA"),
                                               QStringLiteral("CreateAPI"));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        engine = FakeRulesEngine::last();
        return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().value<QDBusObjectPath>().path();
    }

    // The API object behind a client's path, to raise the controller's events on it.
    std::shared_ptr<API> apiAt(BusClient& client, const QString& path)
    {
        const auto exported = server->objects().objectOf(client.uniqueName(), path);
        return exported ? std::static_pointer_cast<API>(exported->target()) : nullptr;
    }

    QDBusMessage get(BusClient& client, const QString& path, const QString& property)
    {
        return client.call(path, kProperties, QStringLiteral("Get"), {kAPI, property});
    }

    void advise(BusClient& client, const QString& path, ScriptedSink& sink)
    {
        ASSERT_TRUE(client.connection().registerVirtualObject(QStringLiteral("/sink"), &sink));
        const QDBusMessage reply = client.call(path, kAPI, QStringLiteral("Advise"),
                                               {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/sink")))});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // The sink's client leaves the bus inside GetData without answering it.
    static void leaveInsideGetData(std::unique_ptr<BusClient>& client, ScriptedSink& sink)
    {
        sink.handlers.insert(QStringLiteral("GetData"), [&client](const QDBusMessage&) -> std::optional<QVariantList> {
            QTimer::singleShot(20, [&client] { client.reset(); });
            return std::nullopt;
        });
    }

    std::unique_ptr<AutomationServer> server;
};

} // namespace automation_test
