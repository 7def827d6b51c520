// pcquiba-installer: installs an update package while pcQUIBA is stopped and starts it again.
//
//     pcquiba-installer /i[=PACKAGE] [/x=PROGRAM [ARGUMENT...]]
//
// It waits until the running pcQUIBA has left the session bus, installs the package with the
// built-in installer (which keeps what it replaces for a rollback), writes what happened to
// its own log, pcquiba-installer.log, and starts PROGRAM with its arguments, whatever became
// of the package, so that the kiosk comes back. Exit code 0 when the package was installed.
#include "app/Services.h"
#include "app/Trace.h"
#include "components/PackageInstaller.h"
#include "components/PackageInstallerCommandLine.h"
#include "components/StandardLogger.h"
#include "platform/AutomationError.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <cstdio>

namespace {

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

bool installPackage(QString package)
{
    try {
        PackageInstaller().install(package);
        log(QStringLiteral("Update package %1 installed").arg(package), Trace::ProgressSeverity);
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
    auto logger = std::make_shared<StandardLogger>();
    logger->setLogName(QStringLiteral("pcquiba-installer"));
    logger->setThreshold(0);
    Services::setLogger(logger);

    const auto line = PackageInstallerCommandLine::parse(application.arguments().mid(1));
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(line.error));
        return 2;
    }
    waitForPcquibaToEnd();
    const bool installed = installPackage(line.package);
    if (!line.restartProgram.isEmpty() && !QProcess::startDetached(line.restartProgram, line.restartArguments))
        log(QStringLiteral("Command Failed: Could not start ") + line.restartProgram, Trace::CommandFailureSeverity);
    return installed ? 0 : 1;
}
