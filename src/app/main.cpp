#include "app/ExitStatus.h"
#include "app/KioskRun.h"
#include "app/CrashLine.h"
#include "app/ProcessLifetime.h"
#include "app/Watchdog.h"
#include "config/clsINIFile.h"
#include "platform/ProgramFolders.h"
#include "services/ProcedureSlot.h"
#include "services/ProcessState.h"
#include "app/ServiceStartup.h"
#include "services/Services.h"
#include "services/Trace.h"
#include "app/modMain.h"
#include "automation/AutomationServer.h"
#include "components/BuiltInComponents.h"
#include "platform/AutomationError.h"
#include "platform/ComponentPluginLoader.h"

#include <QApplication>
#include <QDBusConnection>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const kUsage =
    "Usage: pcquiba [switch]\n"
    "\n"
    "Started by hand, pcQUIBA reads one-letter switches (\"-\" may stand for \"/\"; a value\n"
    "follows \"=\" or \":\"):\n"
    "  /s[=seconds]   show the start screen; with seconds, start the kiosk after that countdown\n"
    "  /g[=start]     start the kiosk at once, at the given start point\n"
    "  /c[=\"PIN panel\"] open the settings, on that panel, with that PIN\n"
    "  /f             first delete the files in the fragment folder (with one of the above)\n"
    "Without a switch, GENERAL/standalone_start of pcQUIBA.ini applies (default /splash).\n"
    "Any other switch ends the program at once.\n"
    "\n"
    "  --automation   started for a Sovereign: wait for it on the session bus (the\n"
    "                 bus's service file starts pcQUIBA with it; nothing else does)\n"
    "  --help         this text\n"
    "  --version      the version\n";

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// Desktop shells pass the activation variables on to what they start: they say nothing about
// this start (only --automation does), and the programs pcQUIBA starts must not inherit them.
// A bus that started the process is still the session bus it serves.
void clearStarterVariables()
{
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") && qgetenv("DBUS_STARTER_BUS_TYPE") == "session")
        qputenv("DBUS_SESSION_BUS_ADDRESS", qgetenv("DBUS_STARTER_ADDRESS"));
    qunsetenv("DBUS_STARTER_ADDRESS");
    qunsetenv("DBUS_STARTER_BUS_TYPE");
}

} // namespace

int main(int argc, char* argv[])
{
    clearStarterVariables();
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pcQUIBA %s\n", qPrintable(ServiceStartup::versionString()));
        return 0;
    }

    // A kiosk server without a display still serves its Sovereign: windows then go nowhere.
    const bool noDisplay = !hasDisplay() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The main thread's procedures are what a hang or a crash reports.
    ProcedureSlot::claimForThisThread();
    CrashLine::install(ProgramFolders::logs() + QStringLiteral("/error.log"));
    BuiltInComponents::registerAll();
    ComponentPluginLoader::loadAll();
    modMain::registerInitialiser();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    ProcessState& state = ProcessState::instance();
    state.startedByAutomation = arguments.removeAll(QStringLiteral("--automation")) > 0;

    if (const std::optional<int> end = modMain::MainInitialise())
        return *end;
    ComponentPluginLoader::setLogFunction(
        [](const QString& text, qint32 severity) { Services::logger().log(Variant(text), severity); });
    if (noDisplay)
        Trace::write(QStringLiteral("No display: windows go to the offscreen platform"), Trace::WarningSeverity);
    ServiceStartup::reportMissingEngine();

    // The Sovereign's way in: the factory object on the session bus, served for the whole run.
    std::unique_ptr<AutomationServer> automation;
    if (QDBusConnection::sessionBus().isConnected()) {
        automation = std::make_unique<AutomationServer>(QDBusConnection::sessionBus());
        if (!automation->start())
            Trace::write(QStringLiteral("Automation server not started: ") + AutomationServer::serviceName() +
                             QStringLiteral(" cannot be served"),
                         Trace::WarningSeverity);
    }

    // A hand start may be a kiosk: it paces its restarts and says why it ends.
    std::unique_ptr<KioskRun> kiosk;
    if (!state.startedByAutomation)
        kiosk = std::make_unique<KioskRun>();

    // From here on an engine that holds the main thread inside a call ends the process.
    const qint64 engineTimeout = state.ini ? Watchdog::timeoutSeconds(*state.ini) : Watchdog::kDefaultTimeoutSeconds;
    Watchdog watchdog(engineTimeout * 1000);
    watchdog.start([engineTimeout](Watchdog::Verdict verdict, int signalNumber) {
        Watchdog::endProcess(verdict, signalNumber, engineTimeout);
    });

    try {
        if (const std::optional<int> end = modMain::Main(modMain::commandLineFromArguments(arguments)))
            return *end;
    } catch (const AutomationError& error) {
        // Main's error exit has recorded it; the process cannot go on without its start.
        std::fprintf(stderr, "pcQUIBA: %s\n", qPrintable(error.description()));
        ProcessLifetime::Ending why{KioskRun::startFailedLine(error.description()), ExitStatus::kStartFailed,
                                    Trace::ErrorSeverity};
        if (kiosk)
            kiosk->report(why);
        Trace::write(why.logLine, why.severity);
        return why.exitCode;
    }

    if (state.startedByAutomation)
        Trace::write(QStringLiteral("Started by automation: waiting for the Sovereign"));
    ProcessLifetime lifetime(state.startedByAutomation);
    if (automation) {
        QObject::connect(&lifetime, &ProcessLifetime::ending, [&automation] { automation->releaseName(); });
        lifetime.watchBus(QDBusConnection::sessionBus());
    }
    QObject::connect(&lifetime, &ProcessLifetime::ended, &application, &QCoreApplication::exit, Qt::QueuedConnection);
    if (kiosk) {
        lifetime.setEndReport([&kiosk](ProcessLifetime::Ending& why) { kiosk->report(why); });
        QObject::connect(kiosk.get(), &KioskRun::failed, &lifetime,
                         [&lifetime](const QString& logLine, int exitCode) { lifetime.end(logLine, exitCode); });
    }
    lifetime.start();
    return application.exec();
}
