#include "support/FileBytes.h"

#include "platform/FileError.h"
#include "platform/RuntimeErrors.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void raiseReadOpenFailure(const QFileDevice& file, const QString& path)
{
    if (!QFileInfo::exists(path))
        RuntimeErrors::raise(RuntimeErrors::FileNotFound);
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
        raiseReadOpenFailure(file, path);
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
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        const int openError = errno;
        if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
            RuntimeErrors::raise(RuntimeErrors::PathNotFound);
        if (openError == EACCES)
            RuntimeErrors::raise(RuntimeErrors::PermissionDenied);
        FileError::raise(openError);
    }
    // The first error of the writes, the sync or the close is the reason: a full disk may show
    // only at the sync.
    int failure = 0;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && failure == 0) {
        const ssize_t written = ::write(descriptor, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            failure = written < 0 ? errno : ENOSPC;
        else {
            data += written;
            left -= written;
        }
    }
    if (failure == 0 && ::fsync(descriptor) != 0)
        failure = errno;
    if (::close(descriptor) != 0 && failure == 0)
        failure = errno;
    if (failure != 0)
        FileError::raise(failure);
}

void FileBytes::rename(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    if (errno == ENOENT)
        RuntimeErrors::raise(RuntimeErrors::FileNotFound);
    if (errno == EACCES || errno == EPERM)
        RuntimeErrors::raise(RuntimeErrors::PermissionDenied);
    FileError::raise(errno);
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
