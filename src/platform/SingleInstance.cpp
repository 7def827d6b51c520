#include "platform/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString& claimedHow()
{
    static QString how;
    return how;
}

} // namespace

SingleInstance::Claim SingleInstance::claim(const QString& lockFolder)
{
    // This process holds it already.
    if (!claimedHow().isEmpty())
        return Claim::Owned;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return claimLockFile(lockFolder);
    if (!bus.registerService(kBusName))
        return Claim::AlreadyRunning;
    claimedHow() = QStringLiteral("bus");
    return Claim::Owned;
}

SingleInstance::Claim SingleInstance::claimLockFile(const QString& lockFolder)
{
    QDir().mkpath(lockFolder);
    const QByteArray path = QFile::encodeName(QDir(lockFolder).filePath(kLockFileName));
    // The descriptor stays open, and the lock held, until the process ends.
    const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return Claim::Owned; // a folder that cannot hold a lock does not stop the program
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return Claim::AlreadyRunning;
    }
    claimedHow() = QStringLiteral("lock file");
    return Claim::Owned;
}

QString SingleInstance::claimedBy()
{
    return claimedHow();
}
