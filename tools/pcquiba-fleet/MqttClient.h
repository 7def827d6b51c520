#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

struct mosquitto;
struct mosquitto_message;

// One connection to the broker through libmosquitto, speaking MQTT 3.1.1. A network thread of
// this class drives libmosquitto's loop and reconnects with a growing pause (1 s doubling up to
// 60 s); its callbacks come back as signals on the thread that owns this object, so nothing else
// of the program is touched off that thread. Unlike the library's own thread, which ends in
// silence on an error it cannot go on from, this one says so (failed()).
class MqttClient : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString host;
        int port = 8883;
        bool tls = true;
        QString caFile;
        QString certFile;
        QString keyFile;
        QString clientId;
        // Off for a kiosk: the broker keeps its subscriptions and queues QoS 1 messages while it
        // is away.
        bool cleanSession = true;
        QString willTopic;
        QByteArray willPayload;
        int keepAliveSeconds = 30;
    };

    explicit MqttClient(const Options& options, QObject* parent = nullptr);
    ~MqttClient() override;

    // Starts the network thread and the first connection attempt; false with error() set when
    // the options cannot be used (TLS files, host).
    bool start();
    // A clean disconnect (no last will) and the network thread ended.
    void stop();
    QString error() const { return m_error; }

    // The message id, or -1 when libmosquitto refused it at once.
    int publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    int subscribe(const QString& topic, int qos);

    // Splits "mqtts://host:port" (TLS, default port 8883) or "mqtt://host:port" (plain, 1883).
    static bool parseUrl(const QString& url, Options& options, QString& error);

Q_SIGNALS:
    void connected();
    void connectFailed(int code);
    void disconnected();
    void messageArrived(const QString& topic, const QByteArray& payload);
    // The broker has the QoS 1 message with this id (PUBACK).
    void published(int messageId);
    void subscribed(int messageId);
    // The network thread ended and will not reconnect: libmosquitto cannot go on (no memory, or
    // a socket it cannot watch: its loop uses select(), so the socket's number must stay below
    // FD_SETSIZE).
    void failed(const QString& reason);

private:
    static constexpr int kFirstPauseSeconds = 1;
    static constexpr int kLastPauseSeconds = 60;
    static constexpr int kLoopTimeoutMs = 1000;
    static constexpr int kTurnsAfterStop = 3;

    void runNetwork(int firstResult);
    // Waits the pause unless stop() comes first; false when it did.
    bool pause(int seconds);
    bool stopping();

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);

    Options m_options;
    mosquitto* m_handle = nullptr;
    QString m_error;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    // Touched by the network thread only.
    int m_pauseSeconds = kFirstPauseSeconds;
};
