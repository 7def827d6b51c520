#include "support/FileBytes.h"

#include "platform/RuntimeErrors.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

[[noreturn]] void raiseOpenFailure(const QFileDevice& file, const QString& path, bool writing)
{
    if (!writing && !QFileInfo::exists(path))
        RuntimeErrors::raise(RuntimeErrors::FileNotFound);
    if (writing && !QFileInfo(QFileInfo(path).absolutePath()).isDir())
        RuntimeErrors::raise(RuntimeErrors::PathNotFound);
    if (file.error() == QFileDevice::PermissionsError)
        RuntimeErrors::raise(RuntimeErrors::PermissionDenied);
    RuntimeErrors::raise(RuntimeErrors::PathFileAccessError);
}

QByteArray readBytes(const QString& path, qsizetype count)
{
    QFile file(path);
    // Unbuffered: the bytes go straight to their array, and a few bytes from the start cost a
    // read of those bytes, not of a whole buffer.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        raiseOpenFailure(file, path, false);
    QByteArray bytes = count < 0 ? file.readAll() : file.read(count);
    if (file.error() != QFileDevice::NoError)
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError);
    return bytes;
}

} // namespace

QByteArray FileBytes::read(const QString& path)
{
    return readBytes(path, -1);
}

QByteArray FileBytes::readFirst(const QString& path, qsizetype count)
{
    return readBytes(path, count);
}

qint64 FileBytes::size(const QString& path)
{
    return QFileInfo(path).size();
}

void FileBytes::writeDurably(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raiseOpenFailure(file, path, true);
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0)
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError);
}

void FileBytes::rename(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    if (errno == ENOENT)
        RuntimeErrors::raise(RuntimeErrors::FileNotFound);
    if (errno == EACCES || errno == EPERM)
        RuntimeErrors::raise(RuntimeErrors::PermissionDenied);
    RuntimeErrors::raise(RuntimeErrors::PathFileAccessError);
}

void FileBytes::remove(const QString& path)
{
    QFile file(path);
    if (!file.remove())
        RuntimeErrors::raise(file.exists() ? RuntimeErrors::PermissionDenied : RuntimeErrors::FileNotFound);
}

void FileBytes::removeIfPresent(const QString& path)
{
    if (QFileInfo::exists(path))
        remove(path);
}
