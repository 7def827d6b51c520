#pragma once

#include "platform/ProfileFile.h"

#include <QByteArray>
#include <QString>
#include <memory>

// The parsed profile files of the process, so that a read of an unchanged file costs one stat
// instead of a parse. An entry is trusted only while the file's identity, size, change and
// modification times (to the nanosecond) are unchanged and its modification time lies before
// the moment it was read; a file changed within the file system's clock tick is read again and
// compared, so a change by another process is always seen by the next read.
class ProfileCache {
public:
    // The file as it is now: an empty file when it does not exist, nullptr when it exists but
    // cannot be read (a folder, no permission, a read error), so that no writer mistakes it for
    // an empty one.
    static std::shared_ptr<const ProfileFile> load(const QString& fileName);
    // After a successful write of bytes (whose parsed form is file) by this process.
    static void update(const QString& fileName, const QByteArray& bytes, std::shared_ptr<const ProfileFile> file);
    static void forget(const QString& fileName);
    static void clear();
};
