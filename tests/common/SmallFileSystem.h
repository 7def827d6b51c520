#pragma once

#include <QString>
#include <QTemporaryDir>

// A tmpfs of a few KB mounted over a folder for one test, so that the code under test meets a
// real full or read-only disk with the system's own errors. The folder keeps its path; what was
// in it comes back when the file system is unmounted at the end. Tests run as root, so the mount
// needs no help; when it cannot be made, mounted() is false and error() says why.
class SmallFileSystem {
public:
    // Mounts over folder (made when missing); without one, over a temporary folder of its own.
    explicit SmallFileSystem(const QString& folder = {}, int kilobytes = 64);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    // The two faults a small disk makes, with the reason the program gives for each.
    struct Fault {
        const char* name;
        bool readOnly;
        const char* reason;
    };
    static constexpr Fault kFaults[] = {
        {"full", false, "Disk full: No space left on device"},
        {"read-only", true, "Path/File access error: Read-only file system"},
    };

    bool mounted() const { return m_mounted; }
    const QString& error() const { return m_error; }
    const QString& path() const { return m_path; }

    // Takes every free block with a filler file: the next write that needs a block meets ENOSPC.
    bool fill();
    // Gives the filler's blocks back.
    void makeRoom();
    // Remounts read-only: the next write meets EROFS.
    bool makeReadOnly();

private:
    QTemporaryDir m_own;
    QString m_path;
    bool m_mounted = false;
    QString m_error;
};
