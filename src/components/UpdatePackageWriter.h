#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Builds an update package: a gzip-compressed ustar archive whose first member is the manifest
// naming every file with its SHA-256, and whose second is the manifest's signature file as given
// (signing is minisign's job). Names longer than 100 characters are not written.
// Members may also be given raw (links, folders, a declared size other than the data's), so
// that damaged and hostile packages can be made as well.
class UpdatePackageWriter {
public:
    struct Member {
        QString path;
        QByteArray data;
        char type = '0';
        quint32 mode = 0644;
        QString linkTarget;
        // The size written into the header when it is not the data's own.
        std::optional<qint64> declaredSize;
    };

    // A file of the package: listed in the manifest and archived.
    void addFile(const QString& path, const QByteArray& data, bool executable = false);
    // A member archived as given and not listed in the manifest.
    void addMember(const Member& member);
    // The package must be installed by the installer program with pcQUIBA stopped.
    void setProgramInstaller(bool value) { m_programInstaller = value; }
    // Replaces the manifest this writer would make.
    void setManifest(const QByteArray& manifest) { m_manifest = manifest; }
    // The version the manifest carries ("1.0.0" unless set).
    void setVersion(const QString& version) { m_version = version; }
    // MANIFEST.minisig as written by minisign; a package without it is written unsigned.
    void setSignature(const QByteArray& signatureFile) { m_signature = signatureFile; }
    void setUnsigned() { m_signature = QByteArray(); m_unsigned = true; }
    bool signatureGiven() const { return m_unsigned || m_signature.has_value(); }

    QByteArray manifest() const;
    bool write(const QString& fileName) const;

private:
    QList<Member> m_members;
    QList<Member> m_files;
    bool m_programInstaller = false;
    std::optional<QByteArray> m_manifest;
    QString m_version = QStringLiteral("1.0.0");
    std::optional<QByteArray> m_signature;
    bool m_unsigned = false;
};
