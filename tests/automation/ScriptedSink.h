#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <functional>
#include <optional>

// A Sovereign's event sink on the client's connection: records each event and answers it as the
// test scripts (by default at once, with no values; nothing means it never answers).
class ScriptedSink : public QDBusVirtualObject {
public:
    using Handler = std::function<std::optional<QVariantList>(const QDBusMessage&)>;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        events.append(message.member());
        const Handler handler = handlers.value(message.member());
        const std::optional<QVariantList> answer = handler ? handler(message) : QVariantList();
        if (answer)
            QDBusConnection(connection).send(message.createReply(*answer));
        return true;
    }

    QStringList events;
    QHash<QString, Handler> handlers;
};
