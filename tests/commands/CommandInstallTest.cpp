#include "CommandTestFixture.h"

#include "controller/CommandStatus.h"

#include "services/Trace.h"
#include "platform/ExecutableInfo.h"
#include "platform/RuntimeErrors.h"
#include "support/clsGenericURI.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

using Line = RecordingLogger::Line;

const QString kClosing = QStringLiteral("Closing(pcQUIBA is updating itself)");

} // namespace

class CommandInstallTest : public CommandTestFixture {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        host.engineAlreadyRunning();
        utility->prepared = QStringLiteral("p.tar.gz");
        utility->installed = QStringLiteral("p.tar.gz");
    }

    static QString processSwitch() { return QStringLiteral("/p=%1").arg(QCoreApplication::applicationPid()); }

    FakeEngineBasket& busyBasket(double secondsAhead)
    {
        auto& basket = host.engine->ensureBasket();
        basket.busyUntil = now + secondsAhead * kSecond;
        return basket;
    }

    void placeInstallerProgram() { writeFile(installerProgram(), "#!/bin/sh\n"); }
};

TEST_F(CommandInstallTest, BusyBasketPostponesTheInstallInsteadOfCompletingIt)
{
    for (const double ahead : {300.0, 5.0}) {
        logger->lines.clear();
        busyBasket(ahead);
        addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));

        tick();

        const IniCommandEntry postponed = entry(QStringLiteral("i"));
        EXPECT_TRUE(postponed.Status().isEmpty());
        EXPECT_NEAR(postponed.When(), now + (ahead + 1) * kSecond, 0.5 * kSecond);
        EXPECT_TRUE(utility->calls.isEmpty());
        EXPECT_TRUE(host.calls.isEmpty());
        // Postponed within this tick's reach, it still waits for the next tick.
        EXPECT_EQ(logger->lines.size(), 1);
    }
}

TEST_F(CommandInstallTest, BasketPastItsBusyTimeDoesNotHoldTheInstall)
{
    busyBasket(-1);
    utility->count = 0;
    utility->answerMessage = QStringLiteral("No update package is waiting to be installed.");
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install"));

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("FilesToInstallPackage")});
    EXPECT_EQ(logger->lines.last(), (Line{utility->answerMessage, Trace::WarningSeverity}));
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), IniCommandEntry::kDoneStatus);
    EXPECT_TRUE(host.calls.isEmpty()) << "nothing to install leaves the engine running";
}

TEST_F(CommandInstallTest, ComponentInstallStopsAndRestartsTheEngine)
{
    struct Case {
        QString command;
        bool kiosk;
        QString installerCall;
        bool showsGui;
    };
    const Case cases[] = {
        {QStringLiteral("q:/install?package=p.tar.gz"), false, QStringLiteral("install(p.tar.gz)"), false},
        // the prepared package, named
        {QStringLiteral("q:/install"), true, QStringLiteral("install(p.tar.gz)"), true},
        {QStringLiteral("q:/uninstall"), false, QStringLiteral("Rollback(p.tar.gz)"), false},
        {QStringLiteral("q:/uninstall?package=p.tar.gz"), true, QStringLiteral("Rollback(p.tar.gz)"), true},
    };
    utility->count = 3;
    int n = 0;
    for (const Case& c : cases) {
        host.calls.clear();
        installer->calls.clear();
        logger->lines.clear();
        host.kioskMode = c.kiosk;
        const QString key = QStringLiteral("k%1").arg(++n);
        addCommand(key, c.command);

        tick();

        EXPECT_EQ(host.calls, (QStringList{kClosing, QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
        EXPECT_EQ(installer->calls, QStringList{c.installerCall});
        ASSERT_TRUE(host.engine);
        EXPECT_EQ(host.engine->calls.contains(QStringLiteral("ShowGUI()")), c.showsGui);
        EXPECT_EQ(logger->lines.last(), (Line{QStringLiteral("Non exe installer loaded: "), Trace::ProgressSeverity}));
        EXPECT_EQ(entry(key).Status(), IniCommandEntry::kDoneStatus);
    }
}

TEST_F(CommandInstallTest, FailingInstallerIsLoggedAndTheEngineStillComesBack)
{
    utility->count = 1;
    installer->failure = RuntimeErrors::error(RuntimeErrors::InvalidFileFormat, QStringLiteral("QuibaInstaller"),
                                              QStringLiteral("Update package p.tar.gz: checksum of bin/tool does not match"));
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));

    tick();

    EXPECT_EQ(host.calls, (QStringList{kClosing, QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
    EXPECT_TRUE(logger->lines.contains(
        Line{QStringLiteral("Command Failed: Update package p.tar.gz: checksum of bin/tool does not match"),
             Trace::CommandFailureSeverity}));
}

TEST_F(CommandInstallTest, ProgramInstallHandsOverWithAnArgumentVectorAndEndsTheProcess)
{
    struct Case {
        QString command;
        bool kiosk;
        QString offered; // the package the utility offers
        QStringList arguments;
    };
    const QString restart = QStringLiteral("/x=") + QDir(ExecutableInfo::folder()).filePath(QStringLiteral("pcquiba"));
    const Case cases[] = {
        {QStringLiteral("q:/install?package=p%20q.tar.gz"), false, QStringLiteral("p q.tar.gz"),
         {QStringLiteral("/i=p q.tar.gz"), processSwitch()}},
        {QStringLiteral("q:/install"), true, QStringLiteral("p.tar.gz"),
         {QStringLiteral("/i=p.tar.gz"), processSwitch(), restart, QStringLiteral("gui")}},
        // a utility that does not name its package
        {QStringLiteral("q:/install"), false, QString(), {QStringLiteral("/i"), processSwitch()}},
        // a rollback by the program rolls back; it never installs
        {QStringLiteral("q:/uninstall?package=a%22b"), true, QStringLiteral("a\"b"),
         {QStringLiteral("/r=a\"b"), processSwitch(), restart, QStringLiteral("gui")}},
        {QStringLiteral("q:/uninstall"), false, QStringLiteral("p.tar.gz"),
         {QStringLiteral("/r=p.tar.gz"), processSwitch()}},
    };
    placeInstallerProgram();
    utility->count = 2;
    utility->exe = true;
    for (const Case& c : cases) {
        utility->prepared = c.offered;
        utility->installed = c.offered;
        host.engine = std::make_shared<FakeRulesEngine>();
        host.calls.clear();
        host.kioskMode = c.kiosk;
        ini->EraseSection(IniSections::Commands);
        addCommand(QStringLiteral("a"), c.command, -20);
        addCommand(QStringLiteral("b"), QStringLiteral("q:/set?scope=S&name=after&value=1"), -10);

        tick();

        EXPECT_EQ(host.calls, (QStringList{kClosing, QStringLiteral("StopEngine"), QStringLiteral("startProgram"),
                                           QStringLiteral("endProcess")}));
        EXPECT_EQ(host.startedProgram, installerProgram());
        EXPECT_EQ(host.startedArguments, c.arguments);
        EXPECT_TRUE(installer->calls.isEmpty());
        EXPECT_EQ(entry(QStringLiteral("a")).Status(), CommandStatus::kHandedOver);
        EXPECT_TRUE(entry(QStringLiteral("b")).Status().isEmpty()) << "nothing runs once the process is ending";
    }
}

TEST_F(CommandInstallTest, MissingOrUnstartableInstallerProgramBringsTheEngineBack)
{
    utility->count = 2;
    utility->exe = true;
    host.kioskMode = true;

    addCommand(QStringLiteral("missing"), QStringLiteral("q:/install?package=p.tar.gz"));
    tick();
    EXPECT_EQ(host.calls, (QStringList{kClosing, QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
    EXPECT_TRUE(logger->lines.contains(Line{QStringLiteral("exe installer loaded: "), Trace::ProgressSeverity}));
    ASSERT_TRUE(host.engine);
    EXPECT_TRUE(host.engine->calls.contains(QStringLiteral("ShowGUI()")));

    placeInstallerProgram();
    host.startSucceeds = false;
    host.calls.clear();
    addCommand(QStringLiteral("unstartable"), QStringLiteral("q:/install?package=p.tar.gz&again"));
    tick();
    EXPECT_EQ(host.calls, (QStringList{kClosing, QStringLiteral("StopEngine"), QStringLiteral("startProgram"),
                                       QStringLiteral("StartEngine")}));
    EXPECT_EQ(logger->lines.last(),
              (Line{QStringLiteral("Command Failed: Could not start the installer program: ") + installerProgram(),
                    Trace::CommandFailureSeverity}));
    // Nothing was handed over: a missing program leaves the engine running (done), one that
    // cannot be started is a failure.
    EXPECT_EQ(entry(QStringLiteral("missing")).Status(), CommandStatus::kDone);
    EXPECT_EQ(entry(QStringLiteral("unstartable")).Status(), CommandStatus::kFailed);
}

TEST_F(CommandInstallTest, EachCommandActsOnlyOnThePackageItIsOffered)
{
    struct Case {
        QString command;
        QString refusal;
        QString utilityCall;
    };
    const Case cases[] = {
        {QStringLiteral("q:/install?package=prog3.tar.gz"),
         QStringLiteral("Command Failed: Update package prog3.tar.gz: it was not prepared; the prepared package is "
                        "p.tar.gz"),
         QStringLiteral("FilesToInstallPackage")},
        {QStringLiteral("q:/uninstall?package=old.tar.gz"),
         QStringLiteral("Command Failed: Update package old.tar.gz: the newest install is p.tar.gz"),
         QStringLiteral("FilesToRollBack")},
    };
    utility->count = 3;
    for (const bool exe : {false, true}) {
        utility->exe = exe;
        placeInstallerProgram();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.command.toStdString());
            utility->calls.clear();
            logger->lines.clear();
            ini->EraseSection(IniSections::Commands);
            addCommand(QStringLiteral("k"), c.command);

            tick();

            EXPECT_EQ(utility->calls, QStringList{c.utilityCall});
            EXPECT_EQ(logger->lines.last(), (Line{c.refusal, Trace::CommandFailureSeverity}));
            EXPECT_TRUE(host.calls.isEmpty()) << "no Closing, the engine untouched";
            EXPECT_TRUE(installer->calls.isEmpty());
            EXPECT_EQ(entry(QStringLiteral("k")).Status(), CommandStatus::kFailed);
        }
    }
}

TEST_F(CommandInstallTest, NothingToInstallOrRollBackLeavesTheEngineAlone)
{
    utility->count = 0;
    utility->answerMessage = QStringLiteral("nothing to do");
    for (const QString& command : {QStringLiteral("q:/install"), QStringLiteral("q:/uninstall")}) {
        ini->EraseSection(IniSections::Commands);
        addCommand(QStringLiteral("k"), command);
        tick();
        EXPECT_EQ(logger->lines.last(), (Line{QStringLiteral("nothing to do"), Trace::WarningSeverity}));
        EXPECT_TRUE(host.calls.isEmpty()) << command.toStdString();
    }
    EXPECT_EQ(utility->calls, (QStringList{QStringLiteral("FilesToInstallPackage"), QStringLiteral("FilesToRollBack")}));
}

TEST_F(CommandInstallTest, APackagedInstallRefusesInstallAndUninstallAndKeepsTheEngineRunning)
{
    const QString mark = root + QStringLiteral("/usr/share/pcquiba/packaged");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(mark).absolutePath()));
    writeFile(mark, "installed by the package\n");
    processor.setPackageMark(mark);
    utility->count = 3;
    placeInstallerProgram();
    struct Case {
        QString command;
        bool kiosk;
        double busySeconds; // a sale does not hold a refusal
    };
    const Case cases[] = {
        {QStringLiteral("q:/install?package=p.tar.gz"), false, -1},
        {QStringLiteral("q:/install"), true, 300},
        {QStringLiteral("q:/uninstall"), false, 300},
        {QStringLiteral("q:/UNINSTALL?package=p.tar.gz"), true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        ini->EraseSection(IniSections::Commands);
        logger->lines.clear();
        host.kioskMode = c.kiosk;
        busyBasket(c.busySeconds);
        addCommand(QStringLiteral("k"), c.command);

        tick();

        const Line refusal{QStringLiteral("Command Failed: pcQUIBA was installed by its package; only the package "
                                          "manager changes its files: ") +
                               mark,
                           Trace::CommandFailureSeverity};
        EXPECT_EQ(logger->lines.last(), refusal);
        EXPECT_EQ(entry(QStringLiteral("k")).Status(), CommandStatus::kFailed) << "not retried";
        EXPECT_TRUE(host.calls.isEmpty()) << "no Closing, the engine keeps running";
        EXPECT_TRUE(utility->calls.isEmpty());
        EXPECT_TRUE(installer->calls.isEmpty());
        EXPECT_TRUE(host.engine);
    }
}

class CommandUploadTest : public CommandTestFixture {};

TEST_F(CommandUploadTest, UploadsAFileInsideTheProgramRoot)
{
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("data")));
    writeFile(root + QStringLiteral("/data/journal.txt"), "sold\n");
    const QString canonical = QFileInfo(root + QStringLiteral("/data/journal.txt")).canonicalFilePath();

    addCommand(QStringLiteral("a"), QStringLiteral("q:/upload?local=data/journal.txt&remote=j1.txt"), -20);
    addCommand(QStringLiteral("b"), QStringLiteral("q:/upload?local=") + clsGenericURI::Escape(canonical), -10);
    tick();

    const auto connection = FakeHostFactory::host()->connection;
    EXPECT_EQ(connection->uploads,
              (QStringList{canonical + QStringLiteral(" -> j1.txt"), canonical + QStringLiteral(" -> ")}));
    EXPECT_EQ(host.connection, connection) << "the controller keeps the upload's connection";
    EXPECT_EQ(logger->lines.last(), (Line{QStringLiteral("Upload Command Loaded"), Trace::CommandFailureSeverity}));
}

TEST_F(CommandUploadTest, FileOutsideTheProgramRootIsRefused)
{
    QTemporaryDir elsewhere;
    writeFile(elsewhere.path() + QStringLiteral("/secret"), "x");
    ASSERT_TRUE(QFile::link(elsewhere.path() + QStringLiteral("/secret"), root + QStringLiteral("/link")));
    const QString locals[] = {elsewhere.path() + QStringLiteral("/secret"), QStringLiteral("../secret"),
                              QStringLiteral("link"), QStringLiteral("no-such-file"), QString()};
    int n = 0;
    for (const QString& local : locals) {
        logger->lines.clear();
        const QString key = QStringLiteral("k%1").arg(++n);
        addCommand(key, QStringLiteral("q:/upload?remote=r&local=") + clsGenericURI::Escape(local));
        tick();
        EXPECT_EQ(logger->lines.last(),
                  (Line{QStringLiteral("Command Failed: Upload file must lie inside the program root: ") + local,
                        Trace::CommandFailureSeverity}))
            << local.toStdString();
        EXPECT_EQ(entry(key).Status(), CommandStatus::kFailed);
    }
    EXPECT_TRUE(FakeHostFactory::host()->connection->uploads.isEmpty());
    EXPECT_FALSE(host.connection);
}
