#include "support/FileBytes.h"

#include "platform/RuntimeErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    if (!file.open(QIODevice::ReadOnly))
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

void FileBytes::write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        raiseOpenFailure(file, path, true);
    if (file.write(bytes) != bytes.size() || !file.commit())
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError);
}

void FileBytes::remove(const QString& path)
{
    QFile file(path);
    if (!file.remove())
        RuntimeErrors::raise(file.exists() ? RuntimeErrors::PermissionDenied : RuntimeErrors::FileNotFound);
}
