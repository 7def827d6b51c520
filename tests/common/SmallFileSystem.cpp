#include "common/SmallFileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QString fillerName(const QString& path)
{
    return path + QStringLiteral("/.filler");
}

} // namespace

SmallFileSystem::SmallFileSystem(const QString& folder, int kilobytes)
    : m_path(folder.isEmpty() ? m_own.path() : folder)
{
    QDir().mkpath(m_path);
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
    m_mounted = ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, options.constData()) == 0;
    if (!m_mounted)
        m_error = QStringLiteral("mount tmpfs on %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
}

bool SmallFileSystem::fill()
{
    const int descriptor = ::open(QFile::encodeName(fillerName(m_path)).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (descriptor < 0)
        return false;
    const QByteArray block(4096, 'x');
    // Whole blocks first, then single bytes for what a block no longer fits into.
    while (::write(descriptor, block.constData(), size_t(block.size())) > 0) {
    }
    while (::write(descriptor, "x", 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(descriptor);
    return full;
}

void SmallFileSystem::makeRoom()
{
    QFile::remove(fillerName(m_path));
}

bool SmallFileSystem::makeReadOnly()
{
    return ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
