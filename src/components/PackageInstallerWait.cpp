#include "components/PackageInstallerWait.h"

#include "platform/Clock.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <csignal>

bool PackageInstallerWait::untilEnded(qint64 processId, const Pause& pause, qint64 maxMilliseconds)
{
    const qint64 deadline = Clock::elapsed() + maxMilliseconds;
    while (isRunning(processId)) {
        if (Clock::elapsed() >= deadline)
            return false;
        pause(kStepMilliseconds);
    }
    return true;
}

bool PackageInstallerWait::isRunning(qint64 processId)
{
    if (processId <= 0 || ::kill(pid_t(processId), 0) != 0) {
        // EPERM: it runs, under another user.
        return processId > 0 && errno == EPERM;
    }
    // A zombie has ended; only its parent has not collected it yet. The state follows the
    // command name in parentheses, which may itself hold blanks and parentheses.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.read(4096);
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) != "Z";
}

void PackageInstallerWait::sleep(int milliseconds)
{
    QThread::msleep(milliseconds);
}
