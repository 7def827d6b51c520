#pragma once

#include "components/PackageVersion.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// An update package: a gzip-compressed tar archive whose first member, MANIFEST, names every
// file of the package with its SHA-256 and says which installer it needs:
//
//     # comment
//     version: 1.4.0                (dot-separated decimal numbers)
//     installer: component          (or: program, for the installer program with pcQUIBA stopped)
//     <64 hexadecimal digits>  bin/pcquiba
//
// The second member, MANIFEST.minisig, is minisign's signature of the MANIFEST by a trusted key
// (ManifestSignature, TrustedKeys); it is checked before any other member is read.
// Every other member must be a plain file listed there, with a relative path without "." or
// ".." parts, and its bytes must match; folders are allowed and ignored. Links, devices,
// absolute paths, unlisted or repeated members, oversized members and a damaged archive make
// the whole package refused, with the reason in error().
class UpdatePackageArchive;

class UpdatePackage {
public:
    static inline const QString kManifestName = QStringLiteral("MANIFEST");
    static constexpr qint64 kMaxManifestSize = 1024 * 1024;
    static constexpr qint64 kMaxTotalSize = qint64(1024) * 1024 * 1024;
    static constexpr int kMaxFiles = 10000;
    static constexpr int kMaxFolders = 10000;
    // Under the application folder; no package may write them.
    static inline const QString kVersionRecord = QStringLiteral("share/pcquiba/installed-version");

    struct File {
        QString path;
        QByteArray sha256; // hexadecimal, lower case
        bool executable = false;
    };

    // maxTotalSize bounds what all members together declare (tests make it small).
    UpdatePackage() = default;
    explicit UpdatePackage(qint64 maxTotalSize) : m_maxTotalSize(maxTotalSize) {}

    // Reads the whole package and checks it against its manifest; given a folder, also writes
    // its files below it (the caller discards the folder when the package is refused).
    bool load(const QString& fileName, const QString& extractTo = {});
    // Reads only the manifest: the files and the installer, without checking the members.
    bool loadManifest(const QString& fileName);
    // "Update package NAME: why", empty after a successful load.
    QString error() const { return m_error; }
    const QList<File>& files() const { return m_files; }
    bool programInstaller() const { return m_programInstaller; }
    const PackageVersion& version() const { return m_version; }
    // The package was refused for its signature (or for want of a trusted key).
    bool signatureRefused() const { return m_signatureRefused; }
    // The system's error when a file could not be written while unpacking (a full or read-only
    // disk: nothing wrong with the package), else 0.
    int writeError() const { return m_writeError; }

    // A package is named by a plain file name in the download folder.
    static bool isPlainName(const QString& name);
    // A relative path of at least one part, none of them empty, "." or "..", no backslash.
    static bool isSafePath(const QString& path);
    // A path under the application folder that only the kiosk writes: the trusted keys and the
    // installed version.
    static bool isReservedPath(const QString& path);
    // The SHA-256 of a file as lower-case hexadecimal; empty when it cannot be read.
    static QByteArray fileChecksum(const QString& fileName);

private:
    bool readManifest(UpdatePackageArchive& archive);
    bool parseManifest(const QByteArray& text);
    bool parseLine(const QString& line, qsizetype number);
    bool readSignature(UpdatePackageArchive& archive, const QByteArray& manifest);
    bool readMembers(UpdatePackageArchive& archive, const QString& extractTo);
    void reset(const QString& fileName);
    bool failToWrite(const QString& path, int systemError);
    bool fail(const QString& why);

    qint64 m_maxTotalSize = kMaxTotalSize;
    QString m_name;
    QString m_error;
    QList<File> m_files;
    QHash<QString, qsizetype> m_index;
    bool m_programInstaller = false;
    bool m_hasVersion = false;
    PackageVersion m_version;
    bool m_signatureRefused = false;
    int m_writeError = 0;
};
