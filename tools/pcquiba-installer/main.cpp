// pcquiba-installer: installs an update package, or rolls one back, while pcQUIBA is stopped,
// and starts it again.
//
//     pcquiba-installer /i[=PACKAGE] | /r[=PACKAGE] [/p=PID] [/x=PROGRAM [ARGUMENT...]]
//
// It waits (at most 60 s) until the pcQUIBA process PID has ended and it has left the session
// bus, installs the package with the built-in installer (which keeps what it replaces for a
// rollback) or rolls it back, writes what happened to its own log, pcquiba-installer.log, and
// starts PROGRAM with its arguments, whatever became of the package, so that the kiosk comes
// back. Exit code 0 when the package was installed or rolled back.
#include "services/Services.h"
#include "services/Trace.h"
#include "components/PackageInstaller.h"
#include "components/PackageInstallerCommandLine.h"
#include "components/PackageInstallerWait.h"
#include "components/StandardLogger.h"
#include "platform/AutomationError.h"
#include "platform/ExecutableInfo.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <cstdio>

namespace {

const char* const kHelp =
    "Installs an update package (/i), or rolls one back (/r), once the pcQUIBA process PID has\n"
    "ended and left the session bus (at most 60 s), then starts PROGRAM with its arguments.\n"
    "Writes what happened to pcquiba-installer.log in pcQUIBA's logs folder.\n"
    "Exit status: 0 installed or rolled back, 1 failed, 2 wrong arguments.\n"
    "  --help      this text\n"
    "  --version   the version\n";

const QString kBusName = QStringLiteral("org.pcquiba.pcQUIBA");
constexpr int kWaitMilliseconds = 60000;

void log(const QString& text, qint32 severity)
{
    Services::logger().log(Variant(text), severity);
}

// pcQUIBA holds its bus name until it has ended; without a session bus there is nothing to wait for.
void waitForPcquibaToEnd()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return;
    const QDeadlineTimer deadline(kWaitMilliseconds);
    while (bus.interface()->isServiceRegistered(kBusName).value() && !deadline.hasExpired())
        QThread::msleep(200);
}

// The process that handed over must have ended before its files are replaced.
bool waitForProcessToEnd(qint64 processId)
{
    if (processId == 0)
        return true;
    log(QStringLiteral("Waiting for pcQUIBA (process %1) to end").arg(processId), Trace::ProgressSeverity);
    if (PackageInstallerWait::untilEnded(processId))
        return true;
    log(QStringLiteral("Command Failed: pcQUIBA (process %1) has not ended within %2 s; nothing was changed")
            .arg(processId)
            .arg(PackageInstallerWait::kMaxWaitMilliseconds / 1000),
        Trace::CommandFailureSeverity);
    return false;
}

bool runInstaller(const PackageInstallerCommandLine& line)
{
    QString package = line.package;
    try {
        PackageInstaller installer;
        installer.setProgramInstaller(true);
        if (line.rollback)
            installer.Rollback(package);
        else
            installer.install(package);
        log(QStringLiteral("Update package %1 %2").arg(package, line.rollback ? QStringLiteral("rolled back")
                                                                              : QStringLiteral("installed")),
            Trace::ProgressSeverity);
        return true;
    } catch (...) {
        log(QStringLiteral("Command Failed: ") + AutomationError::fromCurrentException().description(),
            Trace::CommandFailureSeverity);
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const auto line = PackageInstallerCommandLine::parse(application.arguments().mid(1));
    if (line.help) {
        std::printf("%s\n\n%s", qPrintable(PackageInstallerCommandLine::kUsage), kHelp);
        return 0;
    }
    if (line.version) {
        std::printf("pcquiba-installer %s\n", qPrintable(ExecutableInfo::versionString()));
        return 0;
    }
    auto logger = std::make_shared<StandardLogger>();
    logger->setLogName(QStringLiteral("pcquiba-installer"));
    logger->setThreshold(0);
    Services::setLogger(logger);

    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(line.error));
        return 2;
    }
    const bool ended = waitForProcessToEnd(line.processId);
    waitForPcquibaToEnd();
    const bool installed = ended && runInstaller(line);
    if (!line.restartProgram.isEmpty() && !QProcess::startDetached(line.restartProgram, line.restartArguments))
        log(QStringLiteral("Command Failed: Could not start ") + line.restartProgram, Trace::CommandFailureSeverity);
    return installed ? 0 : 1;
}
