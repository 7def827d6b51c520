#include "CommandTestFixture.h"
#include "PackageFixture.h"

#include "components/PackageInstaller.h"
#include "components/UpdatePackageQuartermaster.h"
#include "components/UpdatePackageState.h"
#include "services/Trace.h"
#include "components/UpdatePackage.h"
#include "config/IniKeys.h"

// The whole road of a remote update in a temporary program root: a package is placed in the
// download folder, command entries are written, the tick prepares and installs it with the
// built-in update steps and installer, and a later uninstall rolls it back.
class CommandUpdateEndToEndTest : public CommandTestFixture, public PackageSamples {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        qputenv(TrustedKeys::kEnvironment, MinisignTestKey::trusted().folder().toUtf8());
        app = root + QStringLiteral("/app");
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("download")));
        ini->WriteString(QStringLiteral("FILES"), IniKeys::AppPath, app);
        auto steps = std::make_shared<UpdatePackageQuartermaster>(ini);
        utility->beginUpdate = [steps](QString& package) { steps->beginUpdate(package); };
        utility->filesToInstall = [steps](bool& isExe, QString& message) {
            return steps->filesToInstall(isExe, message);
        };
        utility->filesToInstallPackage = [steps](QString& package, bool& isExe, QString& message) {
            return steps->filesToInstall(package, isExe, message);
        };
        utility->filesToRollBack = [steps](QString& package, bool& isExe, QString& message) {
            return steps->filesToRollBack(package, isExe, message);
        };
        installer->forward = std::make_shared<PackageInstaller>(ini);
        host.kioskMode = true;
        host.engineAlreadyRunning();
    }

    void TearDown() override
    {
        qunsetenv(TrustedKeys::kEnvironment);
        CommandTestFixture::TearDown();
    }

    static void programPackage(UpdatePackageWriter& writer)
    {
        goodPackage(writer);
        writer.setProgramInstaller(true);
    }

    QString quartermaster(const QString& key) const { return ini->GetString(QStringLiteral("QUARTERMASTER"), key); }

    QString app;
};

TEST_F(CommandUpdateEndToEndTest, UpdateInstallsThePackageAndUninstallRollsItBack)
{
    placeApplication(app);
    const Snapshot before = snapshot(app);
    placePackage(root + QStringLiteral("/download"), QStringLiteral("p.tar.gz"), goodPackage);
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"), -20);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"), -10);

    tick();

    EXPECT_EQ(utility->calls, (QStringList{QStringLiteral("BeginUpdate(p.tar.gz)"),
                                           QStringLiteral("FilesToInstallPackage")}));
    EXPECT_EQ(installer->calls, QStringList{QStringLiteral("install(p.tar.gz)")});
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("Closing(pcQUIBA is updating itself)"),
                                       QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
    ASSERT_TRUE(host.engine);
    EXPECT_TRUE(host.engine->calls.contains(QStringLiteral("ShowGUI()")));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    EXPECT_EQ(read(app + QStringLiteral("/share/new.txt")), QByteArray("added\n"));
    EXPECT_EQ(ini->GetString(QStringLiteral("QUARTERMASTER"), IniKeys::State), UpdatePackageState::kInstalled);
    EXPECT_EQ(entry(QStringLiteral("u")).Status(), IniCommandEntry::kDoneStatus);
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), IniCommandEntry::kDoneStatus);

    host.calls.clear();
    addCommand(QStringLiteral("r"), QStringLiteral("q:/uninstall?package=p.tar.gz"));
    tick();

    EXPECT_EQ(installer->calls.last(), QStringLiteral("Rollback(p.tar.gz)"));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("Closing(pcQUIBA is updating itself)"),
                                       QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
    EXPECT_EQ(snapshot(app), before);
    EXPECT_EQ(ini->GetString(QStringLiteral("QUARTERMASTER"), IniKeys::State), UpdatePackageState::kRolledBack);
}

TEST_F(CommandUpdateEndToEndTest, TamperedPackageLeavesTheApplicationAsItWas)
{
    placeApplication(app);
    const Snapshot before = snapshot(app);
    placePackage(root + QStringLiteral("/download"), QStringLiteral("p.tar.gz"), goodPackage);
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"), -20);
    tick();
    // Swapped for a package whose files do not match its manifest after it was prepared.
    placePackage(root + QStringLiteral("/download"), QStringLiteral("p.tar.gz"), hostilePackage("checksum mismatch").build);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));
    logger->lines.clear();

    tick();

    EXPECT_TRUE(installer->calls.isEmpty());
    EXPECT_TRUE(host.calls.isEmpty()) << "the engine keeps running";
    EXPECT_EQ(logger->lines.last(),
              (RecordingLogger::Line{QStringLiteral("Update package p.tar.gz has changed or gone since it was prepared"),
                                     2}));
    EXPECT_EQ(snapshot(app), before);
}

// Each command acts only on what it names: an uninstall never installs, an install takes only the
// package that was prepared, and with nothing to do the engine and the Sovereign are left alone.
TEST_F(CommandUpdateEndToEndTest, CommandsActOnlyOnWhatTheyName)
{
    placeApplication(app);
    const Snapshot before = snapshot(app);
    const QString download = root + QStringLiteral("/download");
    placePackage(download, QStringLiteral("prog2.tar.gz"), programPackage);
    placePackage(download, QStringLiteral("prog3.tar.gz"), programPackage);
    writeFile(installerProgram(), "#!/bin/sh\n");
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=prog2.tar.gz"), -30);
    addCommand(QStringLiteral("r"), QStringLiteral("q:/uninstall"), -20);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=prog3.tar.gz"), -10);
    const QString checksum = QString::fromLatin1(UpdatePackage::fileChecksum(download + QStringLiteral("/prog2.tar.gz")));

    tick();

    EXPECT_TRUE(logger->lines.contains(RecordingLogger::Line{
        QStringLiteral("No installed update package can be rolled back."), Trace::WarningSeverity}));
    EXPECT_TRUE(logger->lines.contains(RecordingLogger::Line{
        QStringLiteral("Command Failed: Update package prog3.tar.gz: it was not prepared; the prepared package is "
                       "prog2.tar.gz"),
        Trace::CommandFailureSeverity}));
    EXPECT_TRUE(host.calls.isEmpty()) << host.calls.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(installer->calls.isEmpty());
    EXPECT_EQ(snapshot(app), before);
    EXPECT_EQ(quartermaster(IniKeys::Package), QStringLiteral("prog2.tar.gz"));
    EXPECT_EQ(quartermaster(IniKeys::Checksum), checksum);
    EXPECT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kPending);
}

TEST_F(CommandUpdateEndToEndTest, InstallWithNothingPreparedAfterAnInstallLeavesTheEngineAlone)
{
    placeApplication(app);
    placePackage(root + QStringLiteral("/download"), QStringLiteral("p.tar.gz"), goodPackage);
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"), -20);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install"), -10);
    tick();
    ASSERT_EQ(quartermaster(IniKeys::State), UpdatePackageState::kInstalled);
    host.calls.clear();
    logger->lines.clear();

    addCommand(QStringLiteral("again"), QStringLiteral("q:/install"));
    tick();

    EXPECT_TRUE(host.calls.isEmpty()) << host.calls.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(logger->lines.last(), (RecordingLogger::Line{UpdatePackageQuartermaster::kNothingWaiting, 2}));
    EXPECT_EQ(installer->calls, QStringList{QStringLiteral("install(p.tar.gz)")}) << "the first install only";
}
