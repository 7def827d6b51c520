#include "PcquibaSession.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <stdexcept>

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// pcQUIBA's own calls wait for the customer and the host: give them time.
constexpr int kCallTimeout = 120000;

QString interfaceOf(const QString& className)
{
    return QStringLiteral("org.pcquiba.") + className;
}

} // namespace

PcquibaSession::PcquibaSession(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

QString PcquibaSession::serviceName()
{
    return QStringLiteral("org.pcquiba.pcQUIBA");
}

QString PcquibaSession::factoryPath()
{
    return QStringLiteral("/org/pcquiba/pcQUIBA");
}

QVariant PcquibaSession::call(const QString& path, const QString& className, const QString& member, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), path, interfaceOf(className), member);
    // Every argument travels as a variant; pcQUIBA reads the value inside.
    for (const QVariant& argument : arguments)
        message << QVariant::fromValue(QDBusVariant(argument));
    return send(message);
}

QVariant PcquibaSession::property(const QString& path, const QString& className, const QString& name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), path, kProperties, QStringLiteral("Get"));
    message << interfaceOf(className) << name;
    return send(message);
}

void PcquibaSession::setProperty(const QString& path, const QString& className, const QString& name, const QVariant& value)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), path, kProperties, QStringLiteral("Set"));
    message << interfaceOf(className) << name << QVariant::fromValue(QDBusVariant(value));
    send(message);
}

QVariant PcquibaSession::send(QDBusMessage message)
{
    const QDBusMessage reply = m_bus.call(message, QDBus::BlockWithGui, kCallTimeout);
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw std::runtime_error((message.member() + QStringLiteral(": ") + reply.errorName() + QStringLiteral(": ")
                                  + reply.errorMessage()).toStdString());
    if (reply.arguments().isEmpty())
        return {};
    QVariant value = reply.arguments().first();
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    if (value.userType() == qMetaTypeId<QDBusObjectPath>()) {
        const QString path = value.value<QDBusObjectPath>().path();
        hold(path);
        return path;
    }
    return value;
}

void PcquibaSession::hold(const QString& path)
{
    if (path != QLatin1String("/") && !m_held.contains(path))
        m_held.append(path);
}

void PcquibaSession::releaseAll()
{
    // Objects handed out later go first; the API object, held first, ends last.
    while (!m_held.isEmpty()) {
        const QString path = m_held.takeLast();
        m_bus.call(QDBusMessage::createMethodCall(serviceName(), path, QString(), QStringLiteral("Release")), QDBus::BlockWithGui);
    }
}
