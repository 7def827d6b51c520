#include "SimulatedHostConnection.h"

#include "SimulatedLog.h"
#include "platform/RuntimeErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

SimulatedHostConnection::SimulatedHostConnection(QString outbox, bool timesOut, int delayMilliseconds)
    : m_outbox(std::move(outbox))
    , m_timesOut(timesOut)
    , m_delayMilliseconds(delayMilliseconds)
{
}

void SimulatedHostConnection::UploadFile(const QString& localFile, const QString& remoteName)
{
    QTimer::singleShot(m_delayMilliseconds, [connection = weak_from_this(), localFile, remoteName] {
        if (const auto self = connection.lock())
            self->finishUpload(localFile, remoteName);
    });
}

void SimulatedHostConnection::finishUpload(const QString& localFile, const QString& remoteName)
{
    if (!m_sink)
        return;
    if (m_timesOut) {
        m_sink->Timeout();
        return;
    }
    const QFileInfo source(localFile);
    if (!source.isFile()) {
        m_sink->Error(RuntimeErrors::FileNotFound, QStringLiteral("File not found: ") + localFile);
        return;
    }
    // The remote name may not climb out of the outbox.
    const QString name = QFileInfo(remoteName.trimmed().isEmpty() ? source.fileName() : remoteName.trimmed()).fileName();
    const QString target = QDir(m_outbox).filePath(name);
    QDir().mkpath(m_outbox);
    QFile::remove(target);
    if (name.isEmpty() || !QFile::copy(localFile, target)) {
        SimulatedLog::write(QStringLiteral("Upload of %1 to %2 failed").arg(localFile, target), SimulatedLog::Error);
        m_sink->Error(RuntimeErrors::PathFileAccessError, QStringLiteral("Cannot copy to the outbox: ") + target);
        return;
    }
    SimulatedLog::write(QStringLiteral("Uploaded %1 as %2").arg(localFile, target), SimulatedLog::Progress);
    m_sink->UploadFileComplete(localFile, name);
}
