#include "fakes/RecordingHostEvents.h"

void RecordingHostEvents::Error(qint32 number, const QString& description)
{
    lines.append(QStringLiteral("Error %1 %2").arg(number).arg(description));
}

void RecordingHostEvents::Timeout()
{
    lines.append(QStringLiteral("Timeout"));
}

void RecordingHostEvents::UploadFileComplete(const QString& first, const QString& second)
{
    lines.append(QStringLiteral("UploadFileComplete %1 %2").arg(first, second));
}
