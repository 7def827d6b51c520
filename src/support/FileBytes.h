#pragma once

#include <QByteArray>
#include <QString>

// Whole files as bytes, with the runtime's error numbers for what goes wrong: 53 for a
// missing file, 76 for a missing folder, 70 for missing rights, 75 for any other refusal and 57
// for a failed read; a failed write carries FileError's number and the system's reason (61 for
// a full disk, 75 for a read-only file system).
class FileBytes {
public:
    static QByteArray read(const QString& path);
    // At most count bytes from the start (all of them when count is negative).
    static QByteArray readFirst(const QString& path, qsizetype count);
    static qint64 size(const QString& path);
    // Creates or truncates path, writes bytes and waits until they are on disk. Not atomic:
    // FileReplacement writes under a name of its own and renames.
    static void writeDurably(const QString& path, const QByteArray& bytes);
    // Renames from over to, replacing a file of that name in one step.
    static void rename(const QString& from, const QString& to);
    static void remove(const QString& path);
    // Removes path when it exists.
    static void removeIfPresent(const QString& path);
};
