#include "FleetAgent.h"

#include "FleetCommandBook.h"
#include "FleetMessages.h"
#include "MqttClient.h"
#include "config/clsINIFile.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

const QByteArray kOnline = QByteArrayLiteral("true");
const QByteArray kOffline = QByteArrayLiteral("false");

void agentLog(const QString& line)
{
    std::fprintf(stderr, "pcquiba-fleet: %s\n", qUtf8Printable(line));
}

} // namespace

FleetAgent::FleetAgent(const FleetSettings& settings, const QString& iniFile, const QString& root, QObject* parent)
    : QObject(parent), m_settings(settings), m_topics(settings.fleetName), m_root(root),
      m_ini(std::make_unique<clsINIFile>())
{
    m_ini->setFileName(iniFile);
    m_book = std::make_unique<FleetCommandBook>(*m_ini, QDir(root).filePath(QStringLiteral("data/fleet/published")));
    m_timer.setInterval(kScanIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &FleetAgent::scan);
}

FleetAgent::~FleetAgent() = default;

bool FleetAgent::start(QString& error)
{
    MqttClient::Options options;
    if (!MqttClient::parseUrl(m_settings.brokerUrl, options, error))
        return false;
    options.caFile = m_settings.caFile;
    options.certFile = m_settings.certFile;
    options.keyFile = m_settings.keyFile;
    options.clientId = m_settings.kioskId;
    options.cleanSession = false;
    options.willTopic = m_topics.online(m_settings.kioskId);
    options.willPayload = kOffline;
    m_client = std::make_unique<MqttClient>(options);
    connect(m_client.get(), &MqttClient::connected, this, &FleetAgent::onConnected);
    connect(m_client.get(), &MqttClient::disconnected, this, [this] { m_connected = false; });
    connect(m_client.get(), &MqttClient::connectFailed, this, [](int code) {
        agentLog(QStringLiteral("the broker refused the connection (CONNACK %1); trying again").arg(code));
    });
    connect(m_client.get(), &MqttClient::messageArrived, this, &FleetAgent::onMessage);
    connect(m_client.get(), &MqttClient::published, this, &FleetAgent::onPublished);
    connect(m_client.get(), &MqttClient::failed, this, &FleetAgent::failed);
    if (!m_client->start()) {
        error = m_client->error();
        return false;
    }
    m_timer.start();
    return true;
}

void FleetAgent::stop()
{
    m_timer.stop();
    if (!m_client)
        return;
    if (m_connected) {
        QEventLoop wait;
        int mid = -1;
        connect(m_client.get(), &MqttClient::published, &wait, [&](int done) {
            if (done == mid)
                wait.quit();
        });
        mid = m_client->publish(m_topics.online(m_settings.kioskId), kOffline, 1, true);
        QTimer::singleShot(2000, &wait, &QEventLoop::quit);
        if (mid >= 0)
            wait.exec();
    }
    m_client->stop();
    m_connected = false;
}

void FleetAgent::onConnected()
{
    m_connected = true;
    const QString kiosk = m_settings.kioskId;
    m_client->publish(m_topics.online(kiosk), kOnline, 1, true);
    const QJsonObject info{{QStringLiteral("groups"), QJsonArray::fromStringList(m_settings.groups)}};
    m_client->publish(m_topics.info(kiosk), QJsonDocument(info).toJson(QJsonDocument::Compact), 1, true);
    m_client->subscribe(m_topics.kioskCommands(kiosk), 1);
    for (const QString& group : m_settings.groups)
        m_client->subscribe(m_topics.groupCommands(group), 1);
    m_client->subscribe(m_topics.allCommands(), 1);
    // What was in flight when the connection broke goes again below, unless libmosquitto
    // resends it; a second copy of a result does no harm.
    m_inFlight.clear();
    m_inFlightIds.clear();
    publishStatus(true);
    scan();
    Q_EMIT online();
}

void FleetAgent::onMessage(const QString&, const QByteArray& payload)
{
    const FleetMessages::Command command = FleetMessages::parseCommand(payload);
    if (command.id.isEmpty()) {
        agentLog(QStringLiteral("command message dropped, it cannot be answered: ") + command.refusal);
        return;
    }
    if (!command.refusal.isEmpty()) {
        publishResult(command.id, QStringLiteral("refused"), {}, command.refusal, false);
        return;
    }
    switch (m_book->take(command.id, command.command)) {
    case FleetCommandBook::Intake::Written:
        publishResult(command.id, QStringLiteral("queued"), {},
                      pcquibaRunning() ? QString() : QStringLiteral("pcQUIBA not running"), false);
        break;
    case FleetCommandBook::Intake::AlreadyKnown: {
        // Delivered again: nothing is added; a sender still waiting gets the outcome once more.
        FleetCommandBook::Finished finished;
        if (m_book->finished(command.id, finished))
            publishResult(finished.id, finished.status, finished.finishedAt, {}, true);
        break;
    }
    case FleetCommandBook::Intake::Busy:
        publishResult(command.id, QStringLiteral("refused"), {}, QStringLiteral("busy"), false);
        break;
    }
}

void FleetAgent::scan()
{
    if (!m_connected)
        return;
    for (const FleetCommandBook::Finished& finished : m_book->unpublished()) {
        if (!m_inFlightIds.contains(finished.id))
            publishResult(finished.id, finished.status, finished.finishedAt, {}, true);
    }
    m_book->dropStaleMarks();
    publishStatus(false);
}

void FleetAgent::publishResult(const QString& id, const QString& status, const QString& finishedAt,
                               const QString& detail, bool marked)
{
    const QByteArray payload = FleetMessages::result({id, status, finishedAt, detail});
    const int mid = m_client->publish(m_topics.result(m_settings.kioskId, id), payload, 1, false);
    if (marked && mid >= 0) {
        m_inFlight.insert(mid, id);
        m_inFlightIds.insert(id);
    }
}

void FleetAgent::onPublished(int messageId)
{
    const QString id = m_inFlight.take(messageId);
    if (id.isEmpty())
        return;
    m_inFlightIds.remove(id);
    m_book->markPublished(id);
}

QString FleetAgent::statusFile() const
{
    return QDir(m_root).filePath(QStringLiteral("data/status.json"));
}

void FleetAgent::publishStatus(bool force)
{
    QFile file(statusFile());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.read(kMaxStatusBytes + 1);
    if (bytes.size() > kMaxStatusBytes || (!force && bytes == m_lastStatus))
        return;
    if (m_client->publish(m_topics.status(m_settings.kioskId), bytes, 1, true) >= 0)
        m_lastStatus = bytes;
}

bool FleetAgent::pcquibaRunning() const
{
    QFile file(statusFile());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 pid = QJsonDocument::fromJson(file.read(kMaxStatusBytes)).object().value(u"pid").toInteger();
    return pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}
