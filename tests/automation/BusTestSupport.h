#pragma once

#include "automation/BusMembers.h"
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
        const QString variant = QStringLiteral("Variant");
        const BusArgument value = BusMembers::argument(QStringLiteral("value"), variant, QStringLiteral("Any value."));
        m_members = {
            BusMembers::function(QStringLiteral("Echo"), 1, {value}, variant, QStringLiteral("Returns the value."),
                                 [](BusCall& call) { return call.arguments.at(0); }),
            BusMembers::function(QStringLiteral("Describe"), 2,
                                 {BusMembers::argument(QStringLiteral("value"), variant, QStringLiteral("Any value."), BusMembers::Optional)},
                                 QStringLiteral("String"), QStringLiteral("The value's type name."), [](BusCall& call) {
                                     return Variant(call.isOmitted(0) ? QStringLiteral("Missing") : call.arguments.at(0).typeName());
                                 }),
            BusMembers::procedure(QStringLiteral("Swap"), 3,
                                  {BusMembers::argument(QStringLiteral("a"), variant, QStringLiteral("First."), BusMembers::ByReference),
                                   BusMembers::argument(QStringLiteral("b"), variant, QStringLiteral("Second."), BusMembers::ByReference)},
                                  QStringLiteral("Swaps a and b."), [](BusCall& call) { call.arguments.swapItemsAt(0, 1); }),
            BusMembers::procedure(QStringLiteral("Fail"), 4, {}, QStringLiteral("Always fails."), [](BusCall&) {
                throw AutomationError(qint32(0x80040259), QStringLiteral("pcQUIBATest"), QStringLiteral("Not ready.\nTry later."));
            }),
            BusMembers::function(QStringLiteral("MakeChild"), 5, {}, QStringLiteral("Test"), QStringLiteral("A new object."),
                                 [](BusCall&) { return Variant(ObjectRef(std::make_shared<TestTarget>())); }),
            BusMembers::property(
                QStringLiteral("Name"), 6, QStringLiteral("String"), QStringLiteral("The target's name."),
                [this] { return Variant(m_target->name); }, [this](const Variant& value) { m_target->name = value.toString(); }),
            BusMembers::property(QStringLiteral("Count"), 7, QStringLiteral("Long"), QStringLiteral("Always 3."),
                                 [] { return Variant(qint32(3)); }),
            BusMembers::property(QStringLiteral("Secret"), 8, QStringLiteral("String"), QStringLiteral("Always refused."),
                                 []() -> Variant {
                                     throw AutomationError(qint32(0x8004025B), QStringLiteral("pcQUIBATest"), QStringLiteral("Not supported."));
                                 }),
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
        : m_members {BusMembers::function(QStringLiteral("Create"), 1, {}, QStringLiteral("Test"), QStringLiteral("A new test object."),
                                          [](BusCall&) { return Variant(ObjectRef(std::make_shared<TestTarget>())); })}
    {
    }
    QString className() const override { return QStringLiteral("TestFactory"); }
    const BusMemberTable& members() const override { return m_members; }

private:
    BusMemberTable m_members;
};
