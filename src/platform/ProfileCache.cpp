#include "platform/ProfileCache.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxEntries = 32;
// File systems that keep whole seconds only (FAT keeps two) stamp every change of one second
// alike.
constexpr time_t kCoarseTimestampSeconds = 2;

bool operator==(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit FileStamp(const struct stat& status)
        : device(status.st_dev)
        , inode(status.st_ino)
        , size(status.st_size)
        , modified(status.st_mtim)
        , changed(status.st_ctim)
    {
    }
    FileStamp() = default;

    bool operator==(const FileStamp& other) const
    {
        return device == other.device && inode == other.inode && size == other.size && modified == other.modified
            && changed == other.changed;
    }

    // True when any change after readStart would give the file other times: its own times lie
    // before readStart (the file system stamps changes with the same coarse clock).
    bool settledBefore(timespec readStart) const
    {
        if (modified.tv_nsec == 0 && changed.tv_nsec == 0)
            readStart.tv_sec -= kCoarseTimestampSeconds;
        return before(modified, readStart) && before(changed, readStart);
    }
};

timespec coarseNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

struct Entry {
    FileStamp stamp;
    QByteArray bytes;
    std::shared_ptr<const ProfileFile> file;
    bool trusted = false;
    quint64 lastUse = 0;
};

struct Snapshot {
    FileStamp stamp;
    QByteArray bytes;
};

// The whole file and its stamp taken after the read, so that a change during the read shows.
std::optional<Snapshot> readSnapshot(const QString& fileName)
{
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<Snapshot> result;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes;
        bytes.reserve(qsizetype(status.st_size));
        char buffer[65536];
        ssize_t count = 0;
        while ((count = ::read(descriptor, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, count);
        if (count == 0 && ::fstat(descriptor, &status) == 0)
            result = Snapshot{FileStamp(status), std::move(bytes)};
    }
    ::close(descriptor);
    return result;
}

enum class Presence { Missing, Unreadable, Present };

struct Lookup {
    Presence presence = Presence::Missing;
    FileStamp stamp;
};

Lookup lookup(const QString& fileName)
{
    struct stat status {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? Presence::Missing : Presence::Unreadable, {}};
    if (!S_ISREG(status.st_mode))
        return {Presence::Unreadable, {}};
    return {Presence::Present, FileStamp(status)};
}

const std::shared_ptr<const ProfileFile>& emptyFile()
{
    static const std::shared_ptr<const ProfileFile> empty = std::make_shared<const ProfileFile>();
    return empty;
}

class Store {
public:
    std::shared_ptr<const ProfileFile> load(const QString& fileName)
    {
        const Lookup file = lookup(fileName);
        QMutexLocker lock(&m_mutex);
        if (file.presence != Presence::Present) {
            m_entries.remove(fileName);
            return file.presence == Presence::Missing ? emptyFile() : nullptr;
        }
        auto found = m_entries.find(fileName);
        if (found != m_entries.end() && found->trusted && found->stamp == file.stamp) {
            found->lastUse = ++m_uses;
            return found->file;
        }
        const timespec readStart = coarseNow();
        std::optional<Snapshot> snapshot = readSnapshot(fileName);
        if (!snapshot) {
            m_entries.remove(fileName);
            return nullptr;
        }
        std::shared_ptr<const ProfileFile> parsed;
        if (found != m_entries.end() && found->bytes == snapshot->bytes)
            parsed = found->file;
        else
            parsed = std::make_shared<const ProfileFile>(ProfileFile::fromBytes(snapshot->bytes));
        const bool trusted = snapshot->stamp.settledBefore(readStart);
        put(fileName, {snapshot->stamp, std::move(snapshot->bytes), parsed, trusted});
        return parsed;
    }

    void update(const QString& fileName, const QByteArray& bytes, std::shared_ptr<const ProfileFile> file)
    {
        const Lookup written = lookup(fileName);
        QMutexLocker lock(&m_mutex);
        if (written.presence != Presence::Present) {
            m_entries.remove(fileName);
            return;
        }
        // Never trusted at once: the stamp may already belong to somebody else's change, so the
        // next read compares the bytes (and keeps this parse when they match).
        put(fileName, {written.stamp, bytes, std::move(file), false});
    }

    void forget(const QString& fileName)
    {
        QMutexLocker lock(&m_mutex);
        m_entries.remove(fileName);
    }

    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
    }

private:
    void put(const QString& fileName, Entry entry)
    {
        entry.lastUse = ++m_uses;
        m_entries.insert(fileName, std::move(entry));
        if (m_entries.size() > kMaxEntries)
            evictLeastUsed();
    }

    void evictLeastUsed()
    {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        }
        m_entries.erase(oldest);
    }

    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    quint64 m_uses = 0;
};

Store& store()
{
    static Store instance;
    return instance;
}

} // namespace

std::shared_ptr<const ProfileFile> ProfileCache::load(const QString& fileName)
{
    return store().load(fileName);
}

void ProfileCache::update(const QString& fileName, const QByteArray& bytes, std::shared_ptr<const ProfileFile> file)
{
    store().update(fileName, bytes, std::move(file));
}

void ProfileCache::forget(const QString& fileName)
{
    store().forget(fileName);
}

void ProfileCache::clear()
{
    store().clear();
}
