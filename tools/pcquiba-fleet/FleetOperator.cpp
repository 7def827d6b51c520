#include "FleetOperator.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace {

const QString kQueued = QStringLiteral("queued");

QString jsonText(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isString())
        return value.toString().isEmpty() ? QStringLiteral("-") : value.toString();
    if (value.isDouble())
        return QString::number(value.toInteger());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    return QStringLiteral("-");
}

} // namespace

FleetOperator::FleetOperator(const Connection& connection, QTextStream& out, QObject* parent)
    : QObject(parent), m_connection(connection), m_topics(connection.fleetName), m_out(out)
{
}

FleetOperator::~FleetOperator() = default;

QString FleetOperator::newCommandId()
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return QStringLiteral("op-") + QString::number(random, 16);
}

bool FleetOperator::isFinal(const FleetMessages::Result& result)
{
    return !result.status.isEmpty() && result.status != kQueued;
}

bool FleetOperator::connectAndSync(int limitSeconds, const QStringList& extraTopics)
{
    MqttClient::Options options;
    QString error;
    if (!MqttClient::parseUrl(m_connection.brokerUrl, options, error)) {
        m_out << error << Qt::endl;
        return false;
    }
    options.caFile = m_connection.caFile;
    options.certFile = m_connection.certFile;
    options.keyFile = m_connection.keyFile;
    m_clientId = newCommandId();
    options.clientId = m_clientId;
    options.cleanSession = true;
    m_client = std::make_unique<MqttClient>(options);
    connect(m_client.get(), &MqttClient::messageArrived, this, &FleetOperator::onMessage);
    connect(m_client.get(), &MqttClient::failed, this, [this](const QString& reason) {
        m_failure = reason;
        Q_EMIT failed();
    });
    QEventLoop wait;
    connect(m_client.get(), &MqttClient::connected, this, [this, extraTopics] {
        const QString root = m_topics.root();
        for (const QString& topic : {root + QStringLiteral("+/online"), root + QStringLiteral("+/info"),
                                     root + QStringLiteral("+/status")})
            m_client->subscribe(topic, 1);
        for (const QString& topic : extraTopics)
            m_client->subscribe(topic, 1);
        // Retained messages come before this one: the broker keeps a client's order.
        m_client->subscribe(m_topics.operatorSync(m_clientId), 1);
        m_client->publish(m_topics.operatorSync(m_clientId), QByteArrayLiteral("sync"), 1, false);
    });
    connect(this, &FleetOperator::synced, &wait, &QEventLoop::quit);
    if (!m_client->start()) {
        m_out << m_client->error() << Qt::endl;
        return false;
    }
    QTimer::singleShot(limitSeconds * 1000, &wait, &QEventLoop::quit);
    if (!m_synced && !waitIn(wait))
        return false;
    if (!m_synced)
        m_out << "broker not reached: " << m_connection.brokerUrl << Qt::endl;
    return m_synced;
}

bool FleetOperator::waitIn(QEventLoop& loop)
{
    const QMetaObject::Connection ending = connect(this, &FleetOperator::failed, &loop, &QEventLoop::quit);
    if (m_failure.isEmpty())
        loop.exec();
    disconnect(ending);
    if (m_failure.isEmpty())
        return true;
    m_out << "broker connection failed: " << m_failure << Qt::endl;
    return false;
}

void FleetOperator::onMessage(const QString& topic, const QByteArray& payload)
{
    if (topic == m_topics.operatorSync(m_clientId)) {
        m_synced = true;
        Q_EMIT synced();
        return;
    }
    QString kiosk;
    QString rest;
    if (!m_topics.split(topic, kiosk, rest))
        return;
    const Kiosk before = m_kiosks.value(kiosk);
    record(kiosk, rest, payload);
    const Kiosk& after = m_kiosks[kiosk];
    const bool changed = rest.startsWith(u"result/") || before.online != after.online || before.status != after.status;
    if (m_synced && m_onLive && changed)
        m_onLive(kiosk, rest, payload);
}

void FleetOperator::record(const QString& kiosk, const QString& rest, const QByteArray& payload)
{
    Kiosk& entry = m_kiosks[kiosk];
    if (rest == u"online") {
        entry.online = QString::fromUtf8(payload);
    } else if (rest == u"info") {
        entry.groups.clear();
        for (const QJsonValue& group : QJsonDocument::fromJson(payload).object().value(u"groups").toArray())
            entry.groups.append(group.toString());
    } else if (rest == u"status") {
        entry.status = payload;
    } else if (rest.startsWith(u"result/")) {
        FleetMessages::Result result;
        if (FleetMessages::parseResult(payload, result) && result.id == m_commandId && !isFinal(entry.result)) {
            entry.result = result;
            entry.answered = true;
        }
    }
}

QStringList FleetOperator::targets(Target target, const QString& name) const
{
    QStringList result;
    if (target == Target::Kiosk)
        return {name};
    for (auto it = m_kiosks.cbegin(); it != m_kiosks.cend(); ++it) {
        if (target == Target::All || it->groups.contains(name))
            result.append(it.key());
    }
    return result;
}

int FleetOperator::send(Target target, const QString& name, const QString& command, int limitSeconds, int repeatSeconds)
{
    m_commandId = newCommandId();
    const QDeadlineTimer deadline{std::chrono::seconds(limitSeconds)};
    if (!connectAndSync(limitSeconds, {m_topics.root() + QStringLiteral("+/result/") + m_commandId}))
        return 2;
    QStringList expected = targets(target, name);
    const QString topic = target == Target::Kiosk  ? m_topics.kioskCommands(name)
                          : target == Target::Group ? m_topics.groupCommands(name)
                                                    : m_topics.allCommands();
    const QByteArray message = FleetMessages::command(m_commandId, command);
    auto pending = [&] {
        return std::any_of(expected.cbegin(), expected.cend(), [&](const QString& kiosk) {
            const Kiosk entry = m_kiosks.value(kiosk);
            return !isFinal(entry.result) && entry.online != u"false";
        });
    };
    // At least once: the same id again until every kiosk answered; a kiosk drops copies by id.
    QEventLoop wait;
    QTimer repeat;
    connect(&repeat, &QTimer::timeout, this, [&] { m_client->publish(topic, message, 1, false); });
    QTimer check;
    connect(&check, &QTimer::timeout, this, [&] {
        if (!pending() || deadline.hasExpired())
            wait.quit();
    });
    m_client->publish(topic, message, 1, false);
    repeat.start(repeatSeconds * 1000);
    check.start(50);
    if (!waitIn(wait))
        return 2;
    m_client->stop();
    for (auto it = m_kiosks.cbegin(); it != m_kiosks.cend(); ++it) {
        if (it->answered && !expected.contains(it.key()))
            expected.append(it.key());
    }
    std::sort(expected.begin(), expected.end());
    bool allWell = true;
    for (const QString& kiosk : expected) {
        const QString status = m_kiosks.value(kiosk).result.status;
        allWell = allWell && (status == u"done" || status == u"duplicate" || status == u"handed over");
        m_out << sendLine(kiosk) << Qt::endl;
    }
    return allWell && !expected.isEmpty() ? 0 : 1;
}

QString FleetOperator::sendLine(const QString& kiosk) const
{
    const Kiosk entry = m_kiosks.value(kiosk);
    const FleetMessages::Result& result = entry.result;
    if (isFinal(result)) {
        QString line = kiosk + QStringLiteral(": ") + result.status;
        if (!result.detail.isEmpty())
            line += QStringLiteral(": ") + result.detail;
        if (!result.finishedAt.isEmpty())
            line += QStringLiteral(" (") + result.finishedAt + u')';
        return line;
    }
    if (result.status == kQueued)
        return kiosk + (result.detail == u"pcQUIBA not running" ? QStringLiteral(": pcQUIBA not running (queued)")
                                                                : QStringLiteral(": queued, no result yet"));
    if (entry.online == u"false")
        return kiosk + QStringLiteral(": offline");
    return kiosk + QStringLiteral(": no answer");
}

int FleetOperator::status(int limitSeconds)
{
    if (!connectAndSync(limitSeconds, {}))
        return 2;
    m_client->stop();
    QStringList kiosks = m_kiosks.keys();
    std::sort(kiosks.begin(), kiosks.end());
    for (const QString& kiosk : kiosks)
        m_out << statusLine(kiosk) << Qt::endl;
    return 0;
}

QString FleetOperator::statusLine(const QString& kiosk) const
{
    const Kiosk entry = m_kiosks.value(kiosk);
    const QJsonObject status = QJsonDocument::fromJson(entry.status).object();
    return QStringLiteral("%1: %2, program %3, package %4, printer %5, last sale %6, failed commands %7")
        .arg(kiosk, entry.online == u"true" ? QStringLiteral("online") : QStringLiteral("offline"),
             jsonText(status, QStringLiteral("program_version")), jsonText(status, QStringLiteral("package_version")),
             jsonText(status, QStringLiteral("printer")), jsonText(status, QStringLiteral("last_sale_at")),
             jsonText(status, QStringLiteral("commands_failed")));
}

int FleetOperator::watch(int limitSeconds)
{
    m_onLive = [this](const QString& kiosk, const QString& rest, const QByteArray& payload) {
        FleetMessages::Result result;
        if (rest.startsWith(u"result/") && FleetMessages::parseResult(payload, result))
            m_out << kiosk << ": result " << result.id << ' ' << result.status
                  << (result.detail.isEmpty() ? QString() : QStringLiteral(": ") + result.detail) << Qt::endl;
        else if (rest == u"status" || rest == u"online")
            m_out << statusLine(kiosk) << Qt::endl;
    };
    if (!connectAndSync(limitSeconds > 0 ? limitSeconds : 60, {m_topics.root() + QStringLiteral("+/result/+")}))
        return 2;
    m_out << "watching fleet " << m_connection.fleetName << Qt::endl;
    QEventLoop wait;
    if (limitSeconds > 0)
        QTimer::singleShot(limitSeconds * 1000, &wait, &QEventLoop::quit);
    if (!waitIn(wait))
        return 2;
    m_client->stop();
    return 0;
}
