#include "CommandTestFixture.h"
#include "PackageFixture.h"

#include "common/TestEventLoop.h"
#include "components/BuiltInConfigurationUtility.h"
#include "components/PackageInstaller.h"
#include "components/TrustedKeys.h"
#include "config/IniKeys.h"
#include "controller/CommandStatus.h"
#include "controller/ControllerCommandHost.h"
#include "controller/RecordingControllerListener.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "services/ProcessState.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

namespace {

const QString kClosingCall = QStringLiteral("Closing(pcQUIBA is updating itself)");

} // namespace

// The tick with the built-in update steps and installer, which read packages on the worker.
class CommandTickTest : public CommandTestFixture, public PackageSamples {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        qputenv(TrustedKeys::kEnvironment, MinisignTestKey::trusted().folder().toUtf8());
        app = root + QStringLiteral("/app");
        download = root + QStringLiteral("/download");
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("download")));
        ini->WriteString(QStringLiteral("FILES"), IniKeys::AppPath, app);
        ComponentRegistry::registerFactory(ConfigurationUtility::kClassId,
                                           [] { return std::make_shared<BuiltInConfigurationUtility>(); });
        ComponentRegistry::registerFactory(Installer::kClassId, [this] { return std::make_shared<PackageInstaller>(ini); });
        host.engineAlreadyRunning();
        placeApplication(app);
    }

    void TearDown() override
    {
        qunsetenv(TrustedKeys::kEnvironment);
        CommandTestFixture::TearDown();
    }

    // Serves events until the tick has gone through; no clock is involved, only the worker's end.
    void finishTick()
    {
        while (processor.busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // A package large enough that hashing it takes the worker a while.
    void placeLargePackage()
    {
        placePackage(download, QStringLiteral("p.tar.gz"), [](UpdatePackageWriter& writer) {
            goodPackage(writer);
            QByteArray large(16 * 1024 * 1024, '\0');
            for (qsizetype i = 0; i < large.size(); ++i)
                large[i] = char((i * 7919) >> 3);
            writer.addFile(QStringLiteral("share/large.bin"), large);
        });
    }

    void prepare()
    {
        addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"));
        tick();
        finishTick();
        ASSERT_EQ(entry(QStringLiteral("u")).Status(), CommandStatus::kDone);
    }

    QString app;
    QString download;
};

TEST_F(CommandTickTest, TickReturnsWhileThePackageIsReadAndGoesOnFromTheWorkersEnd)
{
    placeLargePackage();
    const Snapshot before = snapshot(app);
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"), -20);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"), -10);

    tick();

    // Returned to the event loop with the package still being checked.
    EXPECT_TRUE(processor.busy());
    EXPECT_TRUE(entry(QStringLiteral("u")).Status().isEmpty());
    EXPECT_EQ(snapshot(app), before);
    // A timer tick meanwhile is skipped.
    tick();
    EXPECT_TRUE(entry(QStringLiteral("i")).Status().isEmpty());

    finishTick();

    EXPECT_EQ(entry(QStringLiteral("u")).Status(), CommandStatus::kDone);
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), CommandStatus::kDone);
    EXPECT_EQ(host.calls, (QStringList{kClosingCall, QStringLiteral("StopEngine"), QStringLiteral("StartEngine")}));
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
    EXPECT_EQ(QFileInfo(app + QStringLiteral("/share/large.bin")).size(), 16 * 1024 * 1024);
}

TEST_F(CommandTickTest, ControllerThatGoesWhileAPackageIsHashedLeavesTheInstallPending)
{
    placeLargePackage();
    prepare();
    const Snapshot before = snapshot(app);
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));

    tick();
    ASSERT_TRUE(processor.busy());
    // The last Sovereign releases its API object: the controller unloads while the worker hashes.
    host.present = false;
    finishTick();

    EXPECT_TRUE(entry(QStringLiteral("i")).Status().isEmpty()) << "pending for a later tick";
    EXPECT_TRUE(host.calls.isEmpty()) << "no Closing and no StopEngine without the controller";
    EXPECT_EQ(snapshot(app), before);

    host.present = true;
    tick();
    finishTick();
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), CommandStatus::kDone);
    EXPECT_EQ(read(app + QStringLiteral("/bin/tool")), QByteArray("new tool\n"));
}

// The Closing relay waits for the Sovereigns, which go on calling in meanwhile.
class CommandClosingTest : public CommandTestFixture {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        host.engineAlreadyRunning();
        utility->prepared = QStringLiteral("p.tar.gz");
        utility->count = 2;
        addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));
    }
};

TEST_F(CommandClosingTest, ControllerOrEngineGoneDuringClosingLeavesTheEntryPending)
{
    const struct {
        const char* what;
        std::function<void(FakeCommandHost&)> duringClosing;
    } cases[] = {
        {"controller unloaded", [](FakeCommandHost& h) { h.present = false; }},
        {"engine released", [](FakeCommandHost& h) { h.engine.reset(); }},
        {"engine replaced", [](FakeCommandHost& h) { h.engine = std::make_shared<FakeRulesEngine>(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.present = true;
        host.engineAlreadyRunning();
        installer->calls.clear();
        host.onClosing = [&] { c.duringClosing(host); };

        tick();

        EXPECT_TRUE(entry(QStringLiteral("i")).Status().isEmpty());
        EXPECT_EQ(host.calls, QStringList{kClosingCall});
        EXPECT_TRUE(installer->calls.isEmpty());
    }
    host.present = true;
    host.onClosing = {};
    host.StartEngine();
    tick();
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), CommandStatus::kDone);
    EXPECT_EQ(installer->calls, QStringList{QStringLiteral("install(p.tar.gz)")});
}

TEST_F(CommandClosingTest, SaleThatBeginsDuringClosingPostponesTheInstallBeforeStopEngine)
{
    const double busyUntil = now + 300 * kSecond;
    host.onClosing = [&] { host.engine->ensureBasket().busyUntil = busyUntil; };

    tick();

    const IniCommandEntry postponed = entry(QStringLiteral("i"));
    EXPECT_TRUE(postponed.Status().isEmpty());
    EXPECT_NEAR(postponed.When(), busyUntil + kSecond, 0.5 * kSecond);
    EXPECT_EQ(host.calls, QStringList{kClosingCall}) << "the sale keeps its engine";
    EXPECT_TRUE(installer->calls.isEmpty());
    EXPECT_FALSE(host.engine->calls.contains(QStringLiteral("ClearBasket")));
}

// The running program's controller: a Sovereign that releases its last API object inside Closing
// has it unloaded and deleted there.
class CommandControllerTest : public CommandTestFixture {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        FakeRulesEngine::install();
        ProcessState::instance().wellBehaved = true;
        utility->prepared = QStringLiteral("p.tar.gz");
        utility->count = 2;
    }
    void TearDown() override
    {
        if (frmController::isLoaded())
            frmController::instance().unadvise(&listener);
        frmController::unload();
        TestEventLoop::runPending();
        CommandTestFixture::TearDown();
    }

    RecordingControllerListener listener;
};

TEST_F(CommandControllerTest, SovereignReleasingItsLastApiInsideClosingLeavesTheInstallPending)
{
    frmController& form = frmController::instance();
    form.advise(&listener);
    form.Connect(QStringLiteral("API1")).StartEngine();
    QPointer<frmController> watched(&form);
    listener.afterEvent = [&] {
        if (!listener.events.last().startsWith(QStringLiteral("Closing")))
            return;
        form.unadvise(&listener);
        form.Disconnect(QStringLiteral("API1"));
        // As the bus relay's own event loop would: the unloaded controller is deleted here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    addCommand(QStringLiteral("i"), QStringLiteral("q:/install?package=p.tar.gz"));
    const frmController::CommandProcessor tickOf = ControllerCommandHost::tick();

    tickOf(form);

    EXPECT_TRUE(watched.isNull()) << "the controller went inside Closing";
    EXPECT_TRUE(entry(QStringLiteral("i")).Status().isEmpty());
    EXPECT_TRUE(installer->calls.isEmpty());

    // The next controller's tick runs it.
    listener.afterEvent = {};
    frmController& again = frmController::instance();
    again.advise(&listener);
    again.Connect(QStringLiteral("API2")).StartEngine();
    tickOf(again);
    EXPECT_EQ(entry(QStringLiteral("i")).Status(), CommandStatus::kDone);
    EXPECT_EQ(installer->calls, QStringList{QStringLiteral("install(p.tar.gz)")});
    EXPECT_TRUE(again.EngineReady()) << "the engine came back after the install";
}
