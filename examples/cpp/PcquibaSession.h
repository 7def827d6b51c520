#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QVariant>

// The Sovereign's side of the bus: calls on pcQUIBA's objects. Each call waits in a local event
// loop, so pcQUIBA's events (which arrive while a call is running) are served meanwhile.
class PcquibaSession {
public:
    explicit PcquibaSession(QDBusConnection bus);

    // A member of `org.pcquiba.<className>` at `path`; the result unwrapped from its variant.
    // Throws std::runtime_error with pcQUIBA's error name and message when the call fails.
    QVariant call(const QString& path, const QString& className, const QString& member, const QVariantList& arguments = {});
    QVariant property(const QString& path, const QString& className, const QString& name);
    void setProperty(const QString& path, const QString& className, const QString& name, const QVariant& value);

    // Every object this session was handed, by calls and by events, to be released at the end.
    void hold(const QString& path);
    void releaseAll();

    static QString serviceName();
    static QString factoryPath();

private:
    QVariant send(QDBusMessage message);

    QDBusConnection m_bus;
    QStringList m_held;
};
