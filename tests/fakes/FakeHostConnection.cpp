#include "fakes/FakeHostConnection.h"

#include <QTimer>

void FakeHostConnection::UploadFile(const QString& localFile, const QString& remoteName)
{
    uploads.append(localFile + QStringLiteral(" -> ") + remoteName);
    if (deferred)
        QTimer::singleShot(0, [this, alive = m_lifetime.watch()] {
            if (!alive.expired())
                finish();
        });
    else
        finish();
}

void FakeHostConnection::finish()
{
    if (!m_sink)
        return;
    switch (outcome) {
    case Outcome::Complete:
        m_sink->UploadFileComplete(completeFirst, completeSecond);
        break;
    case Outcome::Error:
        m_sink->Error(errorNumber, errorDescription);
        break;
    case Outcome::Timeout:
        m_sink->Timeout();
        break;
    case Outcome::Silent:
        break;
    }
}
