#pragma once

#include "automation/BusObjectMapper.h"
#include "automation/ExportedObject.h"
#include "automation/ObjectServer.h"
#include "platform/AutomationError.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <functional>
#include <stdexcept>

// Spins the event loop until the condition holds or ten seconds pass.
inline bool waitUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// A client on its own connection, so that the server in this process keeps serving while it waits.
class BusClient {
public:
    explicit BusClient(const QString& name)
        : m_name(name)
        , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
    {
    }
    ~BusClient() { leave(); }

    // The connection closes once this client, its last holder, is gone too.
    void leave() { QDBusConnection::disconnectFromBus(m_name); }
    QString uniqueName() const { return m_connection.baseService(); }
    QDBusConnection& connection() { return m_connection; }

    QDBusMessage call(const QString& path, const QString& interface, const QString& member, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path, interface, member);
        message.setArguments(arguments);
        QDBusPendingCall pending = m_connection.asyncCall(message, 10000);
        waitUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

private:
    QString m_name;
    QDBusConnection m_connection;
};

// A mapper for values that hold no objects.
class NoObjects : public BusObjectMapper {
public:
    QString pathOf(const ObjectRef&) override { throw std::logic_error("no objects here"); }
    ObjectRef objectAt(const QString&) override { throw std::logic_error("no objects here"); }
};

// The automation object behind a test object.
class TestTarget : public AutomationObject {
public:
    QString className() const override { return QStringLiteral("Test"); }
    QString name = QStringLiteral("first");
};

// A test object with a member of each shape.
class TestObject : public ExportedObject {
public:
    explicit TestObject(std::shared_ptr<TestTarget> target, int* releases = nullptr)
        : m_target(std::move(target))
        , m_releases(releases)
    {
        m_members = {
            {BusMember::Kind::Method, QStringLiteral("Echo"), 1, {{QStringLiteral("value")}}, true,
             [](BusCall& call) { return call.arguments.at(0); }, {}},
            {BusMember::Kind::Method, QStringLiteral("Describe"), 2, {{QStringLiteral("value"), true}}, true,
             [](BusCall& call) { return Variant(call.isOmitted(0) ? QStringLiteral("Missing") : call.arguments.at(0).typeName()); }, {}},
            {BusMember::Kind::Method, QStringLiteral("Swap"), 3,
             {{QStringLiteral("a"), false, true}, {QStringLiteral("b"), false, true}}, false,
             [](BusCall& call) { call.arguments.swapItemsAt(0, 1); return Variant(); }, {}},
            {BusMember::Kind::Method, QStringLiteral("Fail"), 4, {}, false,
             [](BusCall&) -> Variant { throw AutomationError(qint32(0x80040259), QStringLiteral("pcQUIBATest"),
                                                              QStringLiteral("Not ready.\nTry later.")); }, {}},
            {BusMember::Kind::Method, QStringLiteral("MakeChild"), 5, {}, true,
             [](BusCall&) { return Variant(ObjectRef(std::make_shared<TestTarget>())); }, {}},
            {BusMember::Kind::Property, QStringLiteral("Name"), 6, {}, true,
             [this](BusCall&) { return Variant(m_target->name); },
             [this](BusCall&, const Variant& value) { m_target->name = value.toString(); }},
            {BusMember::Kind::Property, QStringLiteral("Count"), 7, {}, true,
             [](BusCall&) { return Variant(qint32(3)); }, {}},
            {BusMember::Kind::Property, QStringLiteral("Secret"), 8, {}, true,
             [](BusCall&) -> Variant { throw AutomationError(qint32(0x8004025B), QStringLiteral("pcQUIBATest"),
                                                              QStringLiteral("Not supported.")); }, {}},
        };
    }
    ~TestObject() override = default;

    QString className() const override { return QStringLiteral("Test"); }
    const BusMemberTable& members() const override { return m_members; }
    ObjectRef target() const override { return m_target; }
    void released() override
    {
        if (m_releases)
            ++*m_releases;
    }

private:
    std::shared_ptr<TestTarget> m_target;
    int* m_releases;
    BusMemberTable m_members;
};

// The open object at the root: Create hands the caller a new test object.
class TestFactory : public ExportedObject {
public:
    TestFactory()
        : m_members {{BusMember::Kind::Method, QStringLiteral("Create"), 1, {}, true,
                      [](BusCall&) { return Variant(ObjectRef(std::make_shared<TestTarget>())); }, {}}}
    {
    }
    QString className() const override { return QStringLiteral("TestFactory"); }
    const BusMemberTable& members() const override { return m_members; }

private:
    BusMemberTable m_members;
};
