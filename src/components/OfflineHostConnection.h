#pragma once

#include "controller/HostConnection.h"

// The built-in host connection in its least useful form: every upload ends, from the event
// loop, with an Error event saying that no host connection is installed.
class OfflineHostConnection : public HostConnection {
public:
    static QString unavailableMessage();

    QString className() const override { return QStringLiteral("HostConnection"); }

    void setEventSink(HostConnectionEvents* sink) override { *m_sink = sink; }
    void UploadFile(const QString& localFile, const QString& remoteName) override;

private:
    std::shared_ptr<HostConnectionEvents*> m_sink = std::make_shared<HostConnectionEvents*>(nullptr);
};
