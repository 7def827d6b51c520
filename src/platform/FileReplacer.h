#pragma once

#include <QByteArray>
#include <QString>

// Replaces a whole file so that neither a crash nor another process doing the same can spoil it:
//   - Writers of one file take turns: the object holds an advisory lock (flock) on the lock
//     file "<name>.lock" beside the file from construction to destruction. Hold it over the
//     whole read-change-replace and read the file only after taking it. Readers take no lock;
//     they see the old file or the new one.
//   - The new content goes to the one temporary file ".<name>.tmp" in the same folder, is synced
//     and renamed over the file. A writer killed halfway leaves at most that one temporary
//     file, which the next replacement clears.
//   - The replaced file keeps its owner, group and mode (as far as the process may set them).
//   - A file without any write bit is never replaced, whoever asks (root included), nor a file
//     this process may not write, nor anything that is not a regular file.
// A symbolic link is followed: its target is locked and replaced, and the link stays.
class FileReplacer {
public:
    // Takes the lock, waiting for another writer to finish.
    explicit FileReplacer(const QString& fileName);
    ~FileReplacer();
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // The file that is replaced: the target of a symbolic link, else the name given.
    const QString& fileName() const { return m_fileName; }
    // False when the lock file cannot be opened (the folder is missing, for one).
    bool isLocked() const { return m_lock >= 0; }
    // The file is missing, or a regular file with a write bit that this process may write.
    bool mayReplace() const;
    // Writes bytes as the file's new content; false, with the file unchanged, on any failure.
    bool replace(const QByteArray& bytes);
    // The system's error number of the last failure (taking the lock, the check, the write):
    // ENOSPC for a full disk, EROFS for a read-only file system, EACCES for a file that may not
    // be written; 0 while nothing failed.
    int error() const { return m_error; }

    // Takes the lock and replaces the file.
    static bool replaceFile(const QString& fileName, const QByteArray& bytes);

    static QString lockFileName(const QString& fileName);
    static QString temporaryFileName(const QString& fileName);

    // Why the file may not be replaced (a system error number: EACCES, EROFS, ...); 0 when it may.
    int refusal() const;

private:
    bool fail(int systemError);

    QString m_fileName;
    int m_lock = -1;
    int m_error = 0;
};
