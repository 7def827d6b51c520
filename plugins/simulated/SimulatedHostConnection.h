#pragma once

#include "controller/HostConnection.h"

#include <memory>

// A connection to the simulated host: an upload copies the file into the outbox folder under
// the program root and reports the outcome later from the event loop, never inside the call:
// UploadFileComplete(local file, name in the outbox), Error(53, ...) for a missing file,
// Error(75, ...) when the copy fails, or Timeout when the settings say uploads time out.
class SimulatedHostConnection : public HostConnection, public std::enable_shared_from_this<SimulatedHostConnection> {
public:
    SimulatedHostConnection(QString outbox, bool timesOut, int delayMilliseconds);

    QString className() const override { return QStringLiteral("HostConnection"); }

    void setEventSink(HostConnectionEvents* sink) override { m_sink = sink; }
    void UploadFile(const QString& localFile, const QString& remoteName) override;

private:
    void finishUpload(const QString& localFile, const QString& remoteName);

    QString m_outbox;
    bool m_timesOut;
    int m_delayMilliseconds;
    HostConnectionEvents* m_sink = nullptr;
};
