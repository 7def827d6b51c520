#include "platform/FileError.h"

#include "platform/RuntimeErrors.h"

#include <cerrno>
#include <cstring>

qint32 FileError::number(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return RuntimeErrors::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
        return RuntimeErrors::PathFileAccessError;
    default:
        return RuntimeErrors::DeviceIoError;
    }
}

QString FileError::systemText(int systemError)
{
    // The GNU form: thread-safe, answers a text for every number.
    char buffer[256];
    return QString::fromLocal8Bit(::strerror_r(systemError, buffer, sizeof buffer));
}

QString FileError::description(int systemError)
{
    return RuntimeErrors::text(number(systemError)) + QStringLiteral(": ") + systemText(systemError);
}

AutomationError FileError::error(int systemError, const QString& source)
{
    return RuntimeErrors::error(number(systemError), source, description(systemError));
}

void FileError::raise(int systemError, const QString& source)
{
    throw error(systemError, source);
}

void FileError::raiseCannotWrite(const QString& fileName, const AutomationError& cause)
{
    const qint32 number
        = cause.number() == RuntimeErrors::DiskFull ? RuntimeErrors::DiskFull : RuntimeErrors::PathFileAccessError;
    RuntimeErrors::raise(number, {}, QStringLiteral("Cannot write ") + fileName + QStringLiteral(": ") + cause.description());
}
