#pragma once

#include <QString>
#include <functional>
#include <optional>

// Reads a gzip-compressed tar archive member by member, without ever holding a member in
// memory: next() gives the member's header, readData() streams its bytes. Headers are those of
// POSIX ustar and GNU tar; the header checksum is checked; a member whose declared size passes
// the limit is refused before any of it is read.
class UpdatePackageArchive {
public:
    struct Member {
        QString path;
        char type = '0'; // '0' file, '5' folder, '1' hard link, '2' symbolic link, ...
        qint64 size = 0;
        quint32 mode = 0;
        QString linkTarget;
    };
    using Sink = std::function<bool(const char* data, qint64 size)>;

    static constexpr qint64 kMaxMemberSize = qint64(256) * 1024 * 1024;
    // Headers and data are read and written in blocks of this size.
    static constexpr int kBlockSize = 512;

    explicit UpdatePackageArchive(const QString& fileName);
    ~UpdatePackageArchive();
    UpdatePackageArchive(const UpdatePackageArchive&) = delete;
    UpdatePackageArchive& operator=(const UpdatePackageArchive&) = delete;

    // The next member, or nothing at the end of the archive or on failure (error() says which).
    std::optional<Member> next();
    // Streams the current member's data to the sink (which may stop it by returning false).
    bool readData(const Sink& sink);
    // Opens a package file for reading without blocking on it (O_NONBLOCK) and checks the opened
    // file itself (fstat) to be a regular file, a link followed only to one: a FIFO or a device
    // is refused (notRegular set). The descriptor (close-on-exec), or -1.
    static int openRegularFile(const QString& fileName, bool* notRegular = nullptr);

    // Empty while all is well.
    QString error() const { return m_error; }

private:
    bool readBlock(char* block);
    bool skipRest();
    bool fail(const QString& why);

    void* m_file = nullptr;
    QString m_error;
    qint64 m_remaining = 0;   // data bytes of the current member not yet read
    bool m_dataPending = false;
};
