#include "MqttClient.h"

#include <mosquitto.h>

#include <QUrl>

#include <algorithm>
#include <chrono>

namespace {

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Errors after which another connection would fail the same way; everything else (a refused or
// lost connection, a failed TLS handshake, a broker that spoke nonsense) is tried again.
bool cannotGoOn(int rc)
{
    return rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_NOMEM || rc == MOSQ_ERR_NOT_SUPPORTED;
}

} // namespace

MqttClient::MqttClient(const Options& options, QObject* parent) : QObject(parent), m_options(options)
{
    initialiseLibrary();
    const QByteArray id = options.clientId.toUtf8();
    m_handle = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), options.cleanSession, this);
    if (!m_handle)
        return;
    mosquitto_int_option(m_handle, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_handle, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_handle, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(m_handle, &MqttClient::onMessage);
    mosquitto_publish_callback_set(m_handle, &MqttClient::onPublish);
    mosquitto_subscribe_callback_set(m_handle, &MqttClient::onSubscribe);
    mosquitto_threaded_set(m_handle, true);
}

MqttClient::~MqttClient()
{
    stop();
    if (m_handle)
        mosquitto_destroy(m_handle);
}

bool MqttClient::parseUrl(const QString& url, Options& options, QString& error)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() || (scheme != u"mqtts" && scheme != u"mqtt")) {
        error = QStringLiteral("broker URL must be mqtts://HOST[:PORT] or mqtt://HOST[:PORT]: %1").arg(url);
        return false;
    }
    options.tls = scheme == u"mqtts";
    options.host = parsed.host();
    options.port = parsed.port(options.tls ? 8883 : 1883);
    return true;
}

bool MqttClient::start()
{
    if (!m_handle) {
        m_error = QStringLiteral("the MQTT client could not be created");
        return false;
    }
    if (m_options.tls) {
        const QByteArray ca = m_options.caFile.toLocal8Bit();
        const QByteArray cert = m_options.certFile.toLocal8Bit();
        const QByteArray key = m_options.keyFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(m_handle, ca.isEmpty() ? nullptr : ca.constData(), nullptr,
                                         cert.isEmpty() ? nullptr : cert.constData(),
                                         key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            m_error = QStringLiteral("TLS files not usable (CA %1, certificate %2, key %3): %4")
                          .arg(m_options.caFile, m_options.certFile, m_options.keyFile,
                               QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    }
    if (!m_options.willTopic.isEmpty()) {
        const QByteArray topic = m_options.willTopic.toUtf8();
        mosquitto_will_set(m_handle, topic.constData(), int(m_options.willPayload.size()),
                           m_options.willPayload.constData(), 1, true);
    }
    const QByteArray host = m_options.host.toUtf8();
    // A broker that is not there yet is no failure: the network thread keeps trying.
    const int first = mosquitto_connect_async(m_handle, host.constData(), m_options.port, m_options.keepAliveSeconds);
    if (first == MOSQ_ERR_INVAL) {
        m_error = QString::fromUtf8(mosquitto_strerror(first));
        return false;
    }
    m_thread = std::thread([this, first] { runNetwork(first); });
    return true;
}

void MqttClient::stop()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    // Wakes the loop: the DISCONNECT goes out at once. Only a name lookup under way can make
    // the join wait, as long as the resolver's own limit.
    mosquitto_disconnect(m_handle);
    m_thread.join();
}

bool MqttClient::stopping()
{
    const std::lock_guard lock(m_mutex);
    return m_stopping;
}

bool MqttClient::pause(int seconds)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopping; });
}

void MqttClient::runNetwork(int firstResult)
{
    int rc = firstResult;
    for (;;) {
        // A stop's DISCONNECT goes out through the loop, which then reports the connection
        // closed; a broker that takes nothing more gets a few turns.
        int turnsAfterStop = 0;
        while (rc == MOSQ_ERR_SUCCESS && !(stopping() && ++turnsAfterStop > kTurnsAfterStop))
            rc = mosquitto_loop(m_handle, kLoopTimeoutMs, 1);
        if (stopping())
            return;
        if (cannotGoOn(rc)) {
            Q_EMIT failed(QString::fromUtf8(mosquitto_strerror(rc)));
            return;
        }
        if (!pause(m_pauseSeconds))
            return;
        m_pauseSeconds = std::min(m_pauseSeconds * 2, kLastPauseSeconds);
        rc = mosquitto_reconnect_async(m_handle);
    }
}

int MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain)
{
    int mid = -1;
    const QByteArray name = topic.toUtf8();
    const int rc = mosquitto_publish(m_handle, &mid, name.constData(), int(payload.size()), payload.constData(),
                                     qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

int MqttClient::subscribe(const QString& topic, int qos)
{
    int mid = -1;
    const QByteArray name = topic.toUtf8();
    const int rc = mosquitto_subscribe(m_handle, &mid, name.constData(), qos);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void MqttClient::onConnect(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc == 0) {
        client->m_pauseSeconds = kFirstPauseSeconds;
        Q_EMIT client->connected();
    }
    else
        Q_EMIT client->connectFailed(rc);
}

void MqttClient::onDisconnect(mosquitto*, void* self, int)
{
    Q_EMIT static_cast<MqttClient*>(self)->disconnected();
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    Q_EMIT static_cast<MqttClient*>(self)->messageArrived(topic, payload);
}

void MqttClient::onPublish(mosquitto*, void* self, int mid)
{
    Q_EMIT static_cast<MqttClient*>(self)->published(mid);
}

void MqttClient::onSubscribe(mosquitto*, void* self, int mid, int, const int*)
{
    Q_EMIT static_cast<MqttClient*>(self)->subscribed(mid);
}
