#include "fakes/RecordingLogger.h"

QStringList RecordingLogger::texts() const
{
    QStringList result;
    for (const Line& line : lines)
        result.append(line.text);
    return result;
}
