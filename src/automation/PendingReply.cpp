#include "automation/PendingReply.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>

QDBusMessage PendingReply::wait(const QDBusPendingCall& pending)
{
    if (!pending.isFinished()) {
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        // The reply may have come in while the watcher was being set up.
        if (!pending.isFinished())
            loop.exec();
    }
    return pending.reply();
}
