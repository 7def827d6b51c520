#pragma once

#include "FleetSettings.h"
#include "FleetTopics.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>

class FleetCommandBook;
class MqttClient;
class clsINIFile;

// The kiosk's side of the fleet: takes commands from the broker into the COMMANDS section,
// publishes each entry's outcome once the tick finished it, the status file (retained) and
// the kiosk's presence (retained, with a last will). It runs beside pcQUIBA, in a process of
// its own, so a broker that is slow or gone never holds pcQUIBA up.
class FleetAgent : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxStatusBytes = 64 * 1024;
    static constexpr int kScanIntervalMs = 1000;

    // iniFile: the main INI file; root: the program root (status file, marks).
    FleetAgent(const FleetSettings& settings, const QString& iniFile, const QString& root, QObject* parent = nullptr);
    ~FleetAgent() override;

    bool start(QString& error);
    // Publishes the presence "false" (waiting at most 2 s for the broker to have it) and
    // disconnects without the last will.
    void stop();

    // One look at the section and the status file; the timer calls it every second.
    void scan();

    // Whether pcQUIBA runs: the status file names a process that exists.
    bool pcquibaRunning() const;

Q_SIGNALS:
    void online();
    // The connection to the broker cannot go on in this process (MqttClient::failed).
    void failed(const QString& reason);

private:
    void onConnected();
    void onMessage(const QString& topic, const QByteArray& payload);
    void onPublished(int messageId);
    void publishResult(const QString& id, const QString& status, const QString& finishedAt, const QString& detail,
                       bool marked);
    void publishStatus(bool force);
    QString statusFile() const;

    FleetSettings m_settings;
    FleetTopics m_topics;
    QString m_root;
    std::unique_ptr<clsINIFile> m_ini;
    std::unique_ptr<FleetCommandBook> m_book;
    std::unique_ptr<MqttClient> m_client;
    QTimer m_timer;
    bool m_connected = false;
    QByteArray m_lastStatus;
    // Results on their way to the broker: message id to command id.
    QHash<int, QString> m_inFlight;
    QSet<QString> m_inFlightIds;
};
