#include "FleetMessages.h"

#include "FleetTopics.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

FleetMessages::Command FleetMessages::parseCommand(const QByteArray& payload)
{
    Command parsed;
    const QJsonDocument document = QJsonDocument::fromJson(payload);
    if (!document.isObject()) {
        parsed.refusal = QStringLiteral("not a JSON object");
        return parsed;
    }
    const QJsonObject object = document.object();
    const QString id = object.value(u"id").toString();
    if (!FleetTopics::isValidCommandId(id)) {
        parsed.refusal = QStringLiteral("id must be 1 to 64 of a-z, 0-9 and -");
        return parsed;
    }
    parsed.id = id;
    const QJsonValue value = object.value(u"command");
    const QString command = value.toString();
    if (payload.size() > kMaxMessageBytes)
        parsed.refusal = QStringLiteral("message larger than %1 bytes").arg(kMaxMessageBytes);
    else if (!value.isString() || command.isEmpty())
        parsed.refusal = QStringLiteral("no command");
    else if (command.size() > kMaxCommandLength)
        parsed.refusal = QStringLiteral("command longer than %1 characters").arg(kMaxCommandLength);
    else if (std::any_of(command.cbegin(), command.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        parsed.refusal = QStringLiteral("command holds control characters");
    else
        parsed.command = command;
    return parsed;
}

QByteArray FleetMessages::command(const QString& id, const QString& command)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("command"), command}}).toJson(QJsonDocument::Compact);
}

QByteArray FleetMessages::result(const Result& result)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("id"), result.id},
                                     {QStringLiteral("status"), result.status},
                                     {QStringLiteral("finished_at"), result.finishedAt},
                                     {QStringLiteral("detail"), result.detail}})
        .toJson(QJsonDocument::Compact);
}

bool FleetMessages::parseResult(const QByteArray& payload, Result& result)
{
    if (payload.size() > kMaxMessageBytes)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(payload);
    if (!document.isObject())
        return false;
    const QJsonObject object = document.object();
    result.id = object.value(u"id").toString();
    result.status = object.value(u"status").toString();
    result.finishedAt = object.value(u"finished_at").toString();
    result.detail = object.value(u"detail").toString();
    return !result.status.isEmpty();
}
