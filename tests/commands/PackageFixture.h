#pragma once

#include "services/ProcessState.h"
#include "components/ManifestSignature.h"
#include "components/MinisignKey.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageWriter.h"
#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "commands/MinisignTestKey.h"

#include <QDir>
#include <QFileInfo>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <functional>

// Application files, good and hostile update packages, and snapshots of folders.
class PackageSamples {
public:
    struct Entry {
        QByteArray bytes;
        QFileDevice::Permissions permissions;
        bool operator==(const Entry&) const = default;
    };
    using Snapshot = QMap<QString, Entry>;
    using Build = std::function<void(UpdatePackageWriter&)>;

    static void write(const QString& path, const QByteArray& bytes,
                      QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ASSERT_TRUE(QFile::setPermissions(path, permissions));
    }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Every file below the folder, hidden ones included, with its bytes and mode.
    static Snapshot snapshot(const QString& folder)
    {
        Snapshot result;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            result.insert(QDir(folder).relativeFilePath(path), {read(path), QFile::permissions(path)});
        }
        return result;
    }

    // The application as it stands before an update.
    static void placeApplication(const QString& app)
    {
        write(app + QStringLiteral("/bin/tool"), "old tool\n",
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                  | QFileDevice::ExeGroup);
        write(app + QStringLiteral("/share/old.txt"), QByteArray("old text\0with a nul\n", 20),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        write(app + QStringLiteral("/share/keep.txt"), "untouched\n");
    }

    // A good package: replaces two files and adds one.
    static void goodPackage(UpdatePackageWriter& writer)
    {
        writer.addFile(QStringLiteral("bin/tool"), "new tool\n", true);
        writer.addFile(QStringLiteral("share/old.txt"), "new text\n");
        writer.addFile(QStringLiteral("share/new.txt"), "added\n");
    }

    static QString placePackage(const QString& folder, const QString& name, const Build& build)
    {
        UpdatePackageWriter writer;
        build(writer);
        if (!writer.signatureGiven())
            writer.setSignature(MinisignTestKey::trusted().sign(writer.manifest()));
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(writer.write(path));
        return path;
    }

    // Hostile or damaged packages and the reason each must be refused with.
    struct Hostile {
        const char* what;
        Build build;
        QString reason;
        // Applied to the written file (e.g. cut it short).
        std::function<void(const QString&)> damage;
    };
    static UpdatePackageWriter::Member raw(const QString& path, const QByteArray& data, char type = '0',
                                           const QString& link = {}, std::optional<qint64> declaredSize = {})
    {
        UpdatePackageWriter::Member member;
        member.path = path;
        member.data = data;
        member.type = type;
        member.linkTarget = link;
        member.declaredSize = declaredSize;
        return member;
    }

    static QList<Hostile> hostilePackages()
    {
        return {
            {"absolute path", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("/tmp/evil"), "x")); },
             QStringLiteral("member /tmp/evil has an unsafe path"), {}},
            {"dot-dot path", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("bin/../../evil"), "x")); },
             QStringLiteral("member bin/../../evil has an unsafe path"), {}},
            {"symbolic link", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("bin/sh"), {}, '2', QStringLiteral("/bin/sh"))); },
             QStringLiteral("member bin/sh is a link"), {}},
            {"hard link", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("bin/hard"), {}, '1', QStringLiteral("/etc/passwd"))); },
             QStringLiteral("member bin/hard is a link"), {}},
            {"device", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("dev"), {}, '3')); },
             QStringLiteral("member dev is not a plain file"), {}},
            {"member of 1 GB", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("big.bin"), "x", '0', {}, qint64(1) << 30)); },
             QStringLiteral("member big.bin is too large (1073741824 bytes)"), {}},
            {"unlisted member", [](UpdatePackageWriter& w) { goodPackage(w); w.addMember(raw(QStringLiteral("extra"), "x")); },
             QStringLiteral("member extra is not in the manifest"), {}},
            {"checksum mismatch", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 QByteArray manifest = w.manifest();
                 manifest.replace(manifest.indexOf("  share/new.txt") - 64, 64, QByteArray(64, 'c'));
                 w.setManifest(manifest);
             },
             QStringLiteral("checksum of share/new.txt does not match"), {}},
            {"manifest names ..", [](UpdatePackageWriter& w) { w.setManifest(QByteArray(64, 'a') + "  ../x\n"); },
             QStringLiteral("the manifest names an unsafe path ../x"), {}},
            {"file missing", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 w.setManifest(w.manifest() + QByteArray(64, 'b') + "  share/ghost\n");
             },
             QStringLiteral("share/ghost of the manifest is missing"), {}},
            {"truncated", goodPackage, QStringLiteral("truncated or damaged"),
             [](const QString& path) { QFile f(path); f.resize(f.size() / 2); }},
            // Folder headers carry no data, yet each costs a header to read: bounded like files.
            {"too many folders", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 for (int i = 0; i <= UpdatePackage::kMaxFolders; ++i)
                     w.addMember(raw(QStringLiteral("d%1/").arg(i), {}, '5'));
             },
             QStringLiteral("more than 10000 folders"), {}},
            {"not an archive", goodPackage, QStringLiteral("damaged member header"),
             [](const QString& path) { QFile f(path); f.open(QIODevice::WriteOnly); f.write(QByteArray(2048, 'z')); }},
            // Signatures: nothing but a valid prehashed signature by a trusted key is taken.
            {"unsigned", [](UpdatePackageWriter& w) { goodPackage(w); w.setUnsigned(); },
             ManifestSignature::kNotSigned, {}},
            {"unknown key", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 w.setSignature(MinisignTestKey::stranger().sign(w.manifest()));
             },
             ManifestSignature::kUnknownKey + MinisignKey::fromFile(MinisignTestKey::stranger().publicKeyFile())->idText(), {}},
            {"legacy signature", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 w.setSignature(MinisignTestKey::trusted().sign(w.manifest(), true));
             },
             ManifestSignature::kLegacy, {}},
            {"manifest changed after signing", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 w.setSignature(MinisignTestKey::trusted().sign(w.manifest()));
                 w.setManifest(w.manifest().replace("version: 1.0.0", "version: 9.0.0"));
             },
             ManifestSignature::kBadSignature, {}},
            {"trusted comment changed", [](UpdatePackageWriter& w) {
                 goodPackage(w);
                 w.setSignature(MinisignTestKey::trusted().sign(w.manifest()).replace("pcQUIBA test package", "pcQUIBA test packagf"));
             },
             ManifestSignature::kBadTrustedComment, {}},
            {"signature not minisign's", [](UpdatePackageWriter& w) { goodPackage(w); w.setSignature("untrusted comment: x\nRUQ!!!\n"); },
             ManifestSignature::kNotMinisign, {}},
            // What decides which code is trusted, and which version is installed, is the kiosk's.
            {"writes a trusted key", [](UpdatePackageWriter& w) { goodPackage(w); w.addFile(QStringLiteral("share/pcquiba/keys/evil.pub"), "k"); },
             QStringLiteral("the manifest names share/pcquiba/keys/evil.pub, which only the kiosk writes"), {}},
            {"writes the installed version", [](UpdatePackageWriter& w) { goodPackage(w); w.addFile(QStringLiteral("share/pcquiba/installed-version"), "99\n"); },
             QStringLiteral("the manifest names share/pcquiba/installed-version, which only the kiosk writes"), {}},
            {"no version", [](UpdatePackageWriter& w) { goodPackage(w); w.setManifest(w.manifest().replace("version: 1.0.0\n", "")); },
             QStringLiteral("the manifest has no version line"), {}},
            {"version not numbers", [](UpdatePackageWriter& w) { goodPackage(w); w.setVersion(QStringLiteral("1.0-rc1")); },
             QStringLiteral("manifest line 2 is not understood"), {}},
        };
    }


    static Hostile hostilePackage(const char* what)
    {
        for (const Hostile& hostile : hostilePackages())
            if (qstrcmp(hostile.what, what) == 0)
                return hostile;
        ADD_FAILURE() << "no hostile package " << what;
        return {};
    }
};

// A program root with the main INI file in its config folder, whose application folder
// (app_path) is root/app; packages go to the download folder, root/download.
class PackageFixture : public ServiceFixture, public PackageSamples {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        qputenv(TrustedKeys::kEnvironment, MinisignTestKey::trusted().folder().toUtf8());
        ASSERT_TRUE(m_rootFolder.isValid());
        root = m_rootFolder.path();
        app = root + QStringLiteral("/app");
        download = root + QStringLiteral("/download");
        for (const QString& folder : {QStringLiteral("config"), QStringLiteral("app"), QStringLiteral("download")})
            ASSERT_TRUE(QDir(root).mkpath(folder));
        write(root + QStringLiteral("/config/pcQUIBA.ini"), "[FILES]\napp_path=" + app.toUtf8() + "\n");
        ini = std::make_shared<clsINIFile>();
        ini->setFileName(root + QStringLiteral("/config/pcQUIBA.ini"));
        ProcessState::instance().ini = ini;
    }

    void TearDown() override
    {
        ProcessState::reset();
        qunsetenv(TrustedKeys::kEnvironment);
        ServiceFixture::TearDown();
    }

    void placeApplication() { PackageSamples::placeApplication(app); }
    QString placePackage(const QString& name, const Build& build)
    {
        return PackageSamples::placePackage(download, name, build);
    }

    QString root;
    QString app;
    QString download;
    std::shared_ptr<clsINIFile> ini;

private:
    QTemporaryDir m_rootFolder;
};
