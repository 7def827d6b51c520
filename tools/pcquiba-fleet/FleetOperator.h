#pragma once

#include "FleetMessages.h"
#include "FleetTopics.h"
#include "MqttClient.h"

#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>

// The operator's side: sends a command to a kiosk, a group or the whole fleet and collects
// the results; lists the kiosks from their retained status; follows changes as they come.
// Every operation first learns the fleet from the retained presence, info and status
// messages, which the broker hands out before the operator's own sync message comes back.
class FleetOperator : public QObject {
    Q_OBJECT
public:
    enum class Target { Kiosk, Group, All };

    struct Connection {
        QString brokerUrl;
        QString fleetName;
        QString caFile;
        QString certFile;
        QString keyFile;
    };

    FleetOperator(const Connection& connection, QTextStream& out, QObject* parent = nullptr);
    ~FleetOperator() override;

    // Each returns the exit status: 0 when every kiosk answered well, 1 otherwise, 2 when the
    // broker could not be used.
    int send(Target target, const QString& name, const QString& command, int limitSeconds, int repeatSeconds);
    int status(int limitSeconds);
    int watch(int limitSeconds);

    static QString newCommandId();

Q_SIGNALS:
    // The retained messages have all arrived.
    void synced();
    // The connection to the broker cannot go on (MqttClient::failed); every wait ends.
    void failed();

private:
    struct Kiosk {
        QString online;  // "true", "false" or empty when never seen
        QStringList groups;
        QByteArray status;
        FleetMessages::Result result;
        bool answered = false;
    };

    bool connectAndSync(int limitSeconds, const QStringList& extraTopics);
    // Runs the loop until it is quit or the connection failed; false when it failed (and says so).
    bool waitIn(QEventLoop& loop);
    void onMessage(const QString& topic, const QByteArray& payload);
    void record(const QString& kiosk, const QString& rest, const QByteArray& payload);
    QStringList targets(Target target, const QString& name) const;
    QString sendLine(const QString& kiosk) const;
    QString statusLine(const QString& kiosk) const;
    static bool isFinal(const FleetMessages::Result& result);

    Connection m_connection;
    FleetTopics m_topics;
    QTextStream& m_out;
    std::unique_ptr<MqttClient> m_client;
    QString m_clientId;
    QHash<QString, Kiosk> m_kiosks;
    QString m_commandId;
    bool m_synced = false;
    QString m_failure;
    // Called for every message after the sync (watch prints from here).
    std::function<void(const QString& kiosk, const QString& rest, const QByteArray& payload)> m_onLive;
};
