#pragma once

#include "controller/HostConnection.h"
#include "platform/Lifetime.h"

#include <QStringList>

// A host connection whose upload ends the way the test chose: complete, error or time-out,
// either at once inside UploadFile or later from the event loop. A connection released before
// a later outcome is due raises nothing.
class FakeHostConnection : public HostConnection {
public:
    enum class Outcome { Complete, Error, Timeout, Silent };

    QString className() const override { return QStringLiteral("FakeHostConnection"); }

    void setEventSink(HostConnectionEvents* sink) override { m_sink = sink; }
    void UploadFile(const QString& localFile, const QString& remoteName) override;

    Outcome outcome = Outcome::Complete;
    bool deferred = false;
    qint32 errorNumber = 5;
    QString errorDescription = QStringLiteral("Upload refused");
    QString completeFirst = QStringLiteral("OK");
    QString completeSecond;

    QStringList uploads; // "local -> remote"

private:
    void finish();

    HostConnectionEvents* m_sink = nullptr;
    Lifetime m_lifetime;
};
