#include "platform/FileReplacer.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

QByteArray native(const QString& fileName)
{
    return QFile::encodeName(fileName);
}

// The file behind a symbolic link, so that the link stays a link.
QString resolved(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
}

template <typename Call>
auto retryOnSignal(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// 0 when every byte was written, else the system's error (a write that takes nothing is a full disk).
int writeAll(int descriptor, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = retryOnSignal([&] { return ::write(descriptor, data, size_t(left)); });
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        left -= written;
    }
    return 0;
}

// The lock file is opened for reading when it cannot be opened for writing (flock needs neither),
// so that users who share the file share the lock, and a read-only file system reports itself
// at the check of the file rather than as a lock that cannot be taken.
int openLock(const QString& fileName)
{
    const QByteArray name = native(FileReplacer::lockFileName(fileName));
    int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (descriptor < 0 && (errno == EACCES || errno == EROFS)) {
        const int refused = errno;
        descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        // Without a lock file to share, the reason is the first refusal.
        if (descriptor < 0)
            errno = refused;
    }
    if (descriptor < 0)
        return -1;
    if (retryOnSignal([&] { return ::flock(descriptor, LOCK_EX); }) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// The owner, group and mode the file has now; the new file takes them on.
void takeOver(int descriptor, const struct stat& status)
{
    // Another user's file keeps at least its group when the owner cannot be kept.
    if (::fchown(descriptor, status.st_uid, status.st_gid) != 0 && ::fchown(descriptor, uid_t(-1), status.st_gid) != 0) {
        // The new file stays the writer's, as a file the writer creates would be.
    }
    ::fchmod(descriptor, status.st_mode & 07777);
}

void syncFolder(const QString& fileName)
{
    const int folder = ::open(native(QFileInfo(fileName).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

} // namespace

FileReplacer::FileReplacer(const QString& fileName)
    : m_fileName(resolved(fileName))
    , m_lock(m_fileName.isEmpty() ? -1 : openLock(m_fileName))
{
    if (m_lock < 0)
        m_error = m_fileName.isEmpty() ? ENOENT : errno;
}

FileReplacer::~FileReplacer()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

QString FileReplacer::lockFileName(const QString& fileName)
{
    return fileName + QStringLiteral(".lock");
}

QString FileReplacer::temporaryFileName(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp");
}

int FileReplacer::refusal() const
{
    struct stat status {};
    if (::stat(native(m_fileName).constData(), &status) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    if ((status.st_mode & kWriteBits) == 0)
        return EACCES;
    return ::faccessat(AT_FDCWD, native(m_fileName).constData(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

bool FileReplacer::mayReplace() const
{
    return refusal() == 0;
}

bool FileReplacer::fail(int systemError)
{
    m_error = systemError;
    return false;
}

bool FileReplacer::replace(const QByteArray& bytes)
{
    if (!isLocked())
        return false;
    if (const int refused = refusal())
        return fail(refused);
    struct stat status {};
    const bool exists = ::stat(native(m_fileName).constData(), &status) == 0;
    const QByteArray temporary = native(temporaryFileName(m_fileName));
    // A killed writer's leftover goes first.
    ::unlink(temporary.constData());
    // A new file gets the usual mode (the umask applies); an existing one its own, set below.
    const int descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                  exists ? 0600 : 0666);
    if (descriptor < 0)
        return fail(errno);
    if (exists)
        takeOver(descriptor, status);
    // The first failure is the reason: a full disk may show only at the sync or the close.
    int failure = writeAll(descriptor, bytes);
    if (failure == 0 && ::fdatasync(descriptor) != 0)
        failure = errno;
    if (::close(descriptor) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.constData(), native(m_fileName).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.constData());
        return fail(failure);
    }
    syncFolder(m_fileName);
    m_error = 0;
    return true;
}

bool FileReplacer::replaceFile(const QString& fileName, const QByteArray& bytes)
{
    FileReplacer replacer(fileName);
    return replacer.replace(bytes);
}
