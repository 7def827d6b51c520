#include "components/OfflineHostConnection.h"

#include "platform/RuntimeErrors.h"

#include <QTimer>

QString OfflineHostConnection::unavailableMessage()
{
    return QStringLiteral("No host connection is installed");
}

void OfflineHostConnection::UploadFile(const QString&, const QString&)
{
    QTimer::singleShot(0, [slot = std::weak_ptr<HostConnectionEvents*>(m_sink)] {
        const auto sink = slot.lock();
        if (sink && *sink)
            (*sink)->Error(RuntimeErrors::CannotCreateObject, unavailableMessage());
    });
}
