#include "PackageFixture.h"

#include "common/SmallFileSystem.h"
#include "common/TestEventLoop.h"

#include <QCoreApplication>

#include "services/Trace.h"
#include "components/PackageInstaller.h"
#include "components/TrustedKeys.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageState.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "platform/AutomationError.h"
#include "platform/RuntimeErrors.h"

#include <algorithm>
#include <filesystem>

class PackageInstallerTest : public PackageFixture {
protected:
    QString quartermaster(const QString& key) const { return ini->GetString(IniSections::Quartermaster, key); }

    // The error install or Rollback raised, or nothing.
    template <class Call>
    std::optional<AutomationError> failureOf(Call call)
    {
        try {
            call();
        } catch (const AutomationError& error) {
            return error;
        }
        return std::nullopt;
    }

    void SetUp() override
    {
        PackageFixture::SetUp();
        installer = std::make_unique<PackageInstaller>(ini);
    }

    std::unique_ptr<PackageInstaller> installer;
};

TEST_F(PackageInstallerTest, InstallReplacesAndAddsFilesAndRollbackRestoresThemByteForByte)
{
    placeApplication();
    const Snapshot before = snapshot(app);
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    QString package = QStringLiteral("p.tar.gz");
    installer->install(package);

    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    EXPECT_TRUE(QFile::permissions(app + QStringLiteral("/bin/tool")) & QFileDevice::ExeOwner);
    EXPECT_EQ(read(app + QStringLiteral("/share/old.txt")), QByteArray("new text\n"));
    EXPECT_EQ(read(app + QStringLiteral("/share/new.txt")), QByteArray("added\n"));
    EXPECT_EQ(read(app + QStringLiteral("/share/keep.txt")), QByteArray("untouched\n"));
    // The added file and the version record; no staging files are left behind.
    EXPECT_EQ(snapshot(app).size(), before.size() + 2);
    EXPECT_EQ(read(app + QStringLiteral("/share/pcquiba/installed-version")), QByteArray("1.0.0\n"));
    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kInstalled);
    EXPECT_EQ(quartermaster(IniKeys::RollbackPossible), QStringLiteral("true"));
    EXPECT_EQ(installer->keptFiles(package), 3);

    QString again = QString(); // the installed package, taken from QUARTERMASTER
    installer->Rollback(again);

    EXPECT_EQ(again, QStringLiteral("p.tar.gz"));
    EXPECT_EQ(snapshot(app), before);
    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kRolledBack);
    EXPECT_EQ(quartermaster(IniKeys::PrevState), UpdatePackageState::kInstalled);
    EXPECT_FALSE(ini->KeyExists(IniSections::Quartermaster, IniKeys::RollbackPossible)) << "default is erased";
    EXPECT_EQ(installer->keptFiles(package), 0);
}

TEST_F(PackageInstallerTest, RefusedPackageInstallsNothingAndSaysWhy)
{
    placeApplication();
    const Snapshot before = snapshot(app);
    for (const Hostile& hostile : hostilePackages()) {
        const QString file = placePackage(QStringLiteral("h.tar.gz"), hostile.build);
        if (hostile.damage)
            hostile.damage(file);
        QString package = QStringLiteral("h.tar.gz");

        const auto error = failureOf([&] { installer->install(package); });

        ASSERT_TRUE(error) << hostile.what;
        EXPECT_EQ(error->number(), RuntimeErrors::InvalidFileFormat) << hostile.what;
        EXPECT_EQ(error->description(), QStringLiteral("Update package h.tar.gz: ") + hostile.reason) << hostile.what;
        EXPECT_EQ(snapshot(app), before) << hostile.what;
        EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/backup/h.tar.gz"))) << hostile.what;
        EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kFailed);
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/evil")));
}

TEST_F(PackageInstallerTest, RefusalsBeforeAnythingChanges)
{
    placeApplication();
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    QString first = QStringLiteral("p.tar.gz");
    installer->install(first);
    const Snapshot installed = snapshot(app);

    struct Case {
        QString package;
        qint32 number;
        QString description;
        bool rollback;
    };
    const Case cases[] = {
        {QStringLiteral("p.tar.gz"), RuntimeErrors::FileAlreadyExists,
         QStringLiteral("Update package p.tar.gz: already installed; roll it back first"), false},
        {QStringLiteral("../p.tar.gz"), RuntimeErrors::BadFileNameOrNumber,
         QStringLiteral("Update package ../p.tar.gz: the name must not name a folder"), false},
        {QStringLiteral("missing.tar.gz"), RuntimeErrors::InvalidFileFormat,
         QStringLiteral("Update package missing.tar.gz: cannot be opened"), false},
        {QStringLiteral("other.tar.gz"), RuntimeErrors::FileNotFound,
         QStringLiteral("Update package other.tar.gz: nothing is kept to roll back"), true},
        {QStringLiteral("/etc"), RuntimeErrors::BadFileNameOrNumber,
         QStringLiteral("Update package /etc: the name must not name a folder"), true},
    };
    for (const Case& c : cases) {
        QString package = c.package;
        const auto error = failureOf([&] { c.rollback ? installer->Rollback(package) : installer->install(package); });
        ASSERT_TRUE(error) << c.package.toStdString();
        EXPECT_EQ(error->number(), c.number) << c.package.toStdString();
        EXPECT_EQ(error->description(), c.description);
        EXPECT_EQ(snapshot(app), installed) << c.package.toStdString();
    }
    EXPECT_EQ(installer->keptFiles(QStringLiteral("p.tar.gz")), 3) << "the first install's rollback stays intact";
}

TEST_F(PackageInstallerTest, PackageForTheInstallerProgramIsRefusedInsideTheRunningProgram)
{
    placeApplication();
    const Snapshot before = snapshot(app);
    placePackage(QStringLiteral("prog.tar.gz"), [](UpdatePackageWriter& writer) {
        goodPackage(writer);
        writer.setProgramInstaller(true);
    });
    QString package = QStringLiteral("prog.tar.gz");

    const auto error = failureOf([&] { installer->install(package); });

    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), RuntimeErrors::PermissionDenied);
    EXPECT_EQ(error->description(),
              QStringLiteral("Update package prog.tar.gz: its manifest asks for the installer program"));
    EXPECT_EQ(snapshot(app), before);

    installer->setProgramInstaller(true);
    installer->install(package);
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    ASSERT_TRUE(installer->newestInstall());
    EXPECT_TRUE(installer->newestInstall()->programInstaller);
}

TEST_F(PackageInstallerTest, RollbackNeverOverwritesFilesOfANewerInstall)
{
    placeApplication();
    const Snapshot before = snapshot(app);
    placePackage(QStringLiteral("a.tar.gz"), goodPackage);
    placePackage(QStringLiteral("b.tar.gz"), [](UpdatePackageWriter& writer) {
        writer.addFile(QStringLiteral("bin/tool"), "newer tool\n", true);
        writer.setVersion(QStringLiteral("2.0.0"));
    });
    QString a = QStringLiteral("a.tar.gz");
    QString b = QStringLiteral("b.tar.gz");
    installer->install(a);
    installer->install(b);
    EXPECT_EQ(installer->newestInstall()->package, b);

    const auto error = failureOf([&] { installer->Rollback(a); });

    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), RuntimeErrors::PermissionDenied);
    EXPECT_EQ(error->description(),
              QStringLiteral("Update package a.tar.gz: b.tar.gz was installed after it; roll that back first"));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("newer tool\n"));

    installer->Rollback(b);
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    installer->Rollback(a);
    EXPECT_EQ(snapshot(app), before);
    EXPECT_FALSE(installer->newestInstall());
}

// A failed install whose restore fails too keeps what it kept, so that a later rollback can
// still put the folder back.
TEST_F(PackageInstallerTest, FailedInstallWhoseRestoreFailsKeepsTheKeptFiles)
{
    placeApplication();
    const Snapshot before = snapshot(app);
    // The second file cannot be placed: its folder is a file in the application.
    placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& writer) {
        writer.addFile(QStringLiteral("bin/tool"), "new tool\n", true);
        writer.addFile(QStringLiteral("share/keep.txt/inner"), "blocked\n");
    });
    // Putting bin/tool back goes through a copy beside it, which a folder in its way blocks.
    ASSERT_TRUE(QDir(app).mkpath(QStringLiteral("bin/tool.pcquiba-new/in-the-way")));
    QString package = QStringLiteral("p.tar.gz");

    const auto error = failureOf([&] { installer->install(package); });

    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), RuntimeErrors::PathFileAccessError);
    EXPECT_EQ(installer->keptFiles(package), 2);
    EXPECT_TRUE(std::any_of(logger->lines.begin(), logger->lines.end(), [](const RecordingLogger::Line& line) {
        return line.severity == Trace::CommandFailureSeverity
            && line.text.startsWith(QStringLiteral("Update package p.tar.gz: the files it replaced could not all be "
                                                   "put back"));
    }));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n")) << "half installed";

    ASSERT_TRUE(QDir(app + QStringLiteral("/bin/tool.pcquiba-new")).removeRecursively());
    installer->Rollback(package);
    EXPECT_EQ(snapshot(app), before);
    EXPECT_EQ(installer->keptFiles(package), 0);
}

TEST_F(PackageInstallerTest, SymbolicLinksAreKeptAndRolledBackAsLinks)
{
    placeApplication();
    struct Case {
        QString path;
        QString target;
    };
    const Case cases[] = {{QStringLiteral("share/link.txt"), QStringLiteral("keep.txt")},
                          {QStringLiteral("share/dangling"), QStringLiteral("../nowhere")}};
    for (const Case& c : cases)
        ASSERT_TRUE(QFile::link(c.target, app + QLatin1Char('/') + c.path));
    placePackage(QStringLiteral("p.tar.gz"), [&](UpdatePackageWriter& writer) {
        for (const Case& c : cases)
            writer.addFile(c.path, "a file now\n");
    });
    QString package = QStringLiteral("p.tar.gz");
    installer->install(package);
    for (const Case& c : cases) {
        EXPECT_FALSE(QFileInfo(app + QLatin1Char('/') + c.path).isSymLink()) << c.path.toStdString();
        EXPECT_EQ(read(app + QLatin1Char('/') + c.path), QByteArray("a file now\n"));
    }

    installer->Rollback(package);

    for (const Case& c : cases) {
        const QString path = app + QLatin1Char('/') + c.path;
        ASSERT_TRUE(QFileInfo(path).isSymLink()) << c.path.toStdString();
        EXPECT_EQ(std::filesystem::read_symlink(QFile::encodeName(path).toStdString()).string(),
                  QFile::encodeName(c.target).toStdString());
    }
    EXPECT_EQ(read(app + QStringLiteral("/share/keep.txt")), QByteArray("untouched\n"));
}

TEST_F(PackageInstallerTest, EventsAreServedWhileThePackageIsUnpacked)
{
    placeApplication();
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    QString package = QStringLiteral("p.tar.gz");
    bool served = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { served = true; }, Qt::QueuedConnection);

    installer->install(package);

    EXPECT_TRUE(served);
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
}

TEST_F(PackageInstallerTest, RollbackWithoutANameTakesTheNewestInstall)
{
    placeApplication();
    placePackage(QStringLiteral("a.tar.gz"), goodPackage);
    placePackage(QStringLiteral("b.tar.gz"), [](UpdatePackageWriter& writer) {
        writer.addFile(QStringLiteral("bin/tool"), "newer tool\n", true);
        writer.setVersion(QStringLiteral("2.0.0"));
    });
    for (const char* name : {"a.tar.gz", "b.tar.gz"}) {
        QString package = QString::fromLatin1(name);
        installer->install(package);
    }
    // QUARTERMASTER names another package by now.
    ini->WriteString(IniSections::Quartermaster, IniKeys::Package, QStringLiteral("c.tar.gz"));

    QString package;
    installer->Rollback(package);

    EXPECT_EQ(package, QStringLiteral("b.tar.gz"));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
}

TEST_F(PackageInstallerTest, OnlyANewerVersionInstallsAndARollbackRestoresTheRecord)
{
    placeApplication();
    const QString record = app + QLatin1Char('/') + UpdatePackage::kVersionRecord;
    const auto place = [&](const char* name, const char* version) {
        placePackage(QString::fromLatin1(name), [&](UpdatePackageWriter& writer) {
            goodPackage(writer);
            writer.setVersion(QString::fromLatin1(version));
        });
    };
    struct Step {
        const char* name;
        const char* version;
        QString refusal; // empty: installs
        QByteArray recorded;
    };
    const Step steps[] = {
        {"a.tar.gz", "1.0.9", {}, "1.0.9\n"},
        {"b.tar.gz", "1.0.10", {}, "1.0.10\n"},
        {"c.tar.gz", "1.0.10", QStringLiteral("version 1.0.10 is not newer than the installed version 1.0.10"), "1.0.10\n"},
        {"d.tar.gz", "1.0.2", QStringLiteral("version 1.0.2 is not newer than the installed version 1.0.10"), "1.0.10\n"},
    };
    for (const Step& step : steps) {
        place(step.name, step.version);
        QString package = QString::fromLatin1(step.name);
        const auto error = failureOf([&] { installer->install(package); });
        EXPECT_EQ(error.has_value(), !step.refusal.isEmpty()) << step.name;
        if (error) {
            EXPECT_EQ(error->number(), RuntimeErrors::InvalidFileFormat);
            EXPECT_EQ(error->description(), QStringLiteral("Update package %1: ").arg(package) + step.refusal);
        }
        EXPECT_EQ(read(record), step.recorded) << step.name;
    }
    EXPECT_EQ(installer->installedVersion().toString(), QStringLiteral("1.0.10"));

    QString b = QStringLiteral("b.tar.gz");
    installer->Rollback(b);
    EXPECT_EQ(read(record), QByteArray("1.0.9\n"));
    QString a = QStringLiteral("a.tar.gz");
    installer->Rollback(a);
    EXPECT_FALSE(QFileInfo::exists(record));
    EXPECT_EQ(installer->installedVersion().toString(), QStringLiteral("0"));
    // Rolled back to nothing recorded, the oldest package installs again.
    QString again = QStringLiteral("a.tar.gz");
    installer->install(again);
    EXPECT_EQ(read(record), QByteArray("1.0.9\n"));
}

TEST_F(PackageInstallerTest, RollbackOnlyByTheInstallerThatInstalledThePackage)
{
    placeApplication();
    placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& writer) {
        goodPackage(writer);
        writer.setProgramInstaller(true);
    });
    PackageInstaller program(ini);
    program.setProgramInstaller(true);
    QString package = QStringLiteral("p.tar.gz");
    program.install(package);

    const auto error = failureOf([&] { installer->Rollback(package); });

    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), RuntimeErrors::PermissionDenied);
    EXPECT_EQ(error->description(), QStringLiteral("Update package p.tar.gz: it was installed by the installer program"));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    program.Rollback(package);
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("old tool\n"));
}

TEST_F(PackageInstallerTest, PackageWritingIntoATrustedKeysFolderIsRefused)
{
    // The folder PCQUIBA_TRUSTED_KEYS names lies inside the application folder here.
    ASSERT_TRUE(QDir(app).mkpath(QStringLiteral("etc/keys")));
    qputenv(TrustedKeys::kEnvironment, (app + QStringLiteral("/etc/keys")).toUtf8());
    write(app + QStringLiteral("/etc/keys/key.pub"), read(MinisignTestKey::trusted().publicKeyFile()));
    placePackage(QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& writer) {
        writer.addFile(QStringLiteral("etc/keys/evil.pub"), "untrusted comment: evil\n");
    });
    const Snapshot before = snapshot(app);
    QString package = QStringLiteral("p.tar.gz");

    const auto error = failureOf([&] { installer->install(package); });

    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), RuntimeErrors::PermissionDenied);
    EXPECT_EQ(error->description(),
              QStringLiteral("Update package p.tar.gz: etc/keys/evil.pub lies in the trusted keys folder ") + app
                  + QStringLiteral("/etc/keys"));
    EXPECT_EQ(snapshot(app), before);
}

// A full disk says nothing against the package: it is reported with the system's reason, leaves
// the application as it was, and the package installs once there is room.
TEST_F(PackageInstallerTest, ADiskThatFillsWhileUnpackingLeavesThePackageDueForALaterAttempt)
{
    SmallFileSystem disk(app);
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    placeApplication();
    const Snapshot before = snapshot(app);
    placePackage(QStringLiteral("p.tar.gz"), goodPackage);
    ASSERT_TRUE(disk.fill());
    QString package = QStringLiteral("p.tar.gz");

    const auto error = failureOf([&] { installer->install(package); });

    ASSERT_TRUE(error) << "installed: " << quartermaster(IniKeys::State).toStdString();
    EXPECT_EQ(error->number(), RuntimeErrors::DiskFull);
    EXPECT_EQ(error->description(), QStringLiteral("Update package p.tar.gz: cannot write bin/tool: Disk full: No space left on device"));
    disk.makeRoom();
    EXPECT_EQ(snapshot(app), before);
    EXPECT_NE(quartermaster(IniKeys::State), UpdatePackageState::kFailed);

    installer->install(package);
    EXPECT_EQ(read(app + QStringLiteral("/share/new.txt")), QByteArray("added\n"));
    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kInstalled);
}
