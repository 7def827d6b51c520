#include "automation/PendingReply.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QList>
#include <memory>

namespace {

struct Waiting {
    QDBusPendingCall call;
    QString peer;
    // Set when the answer is taken in on this thread: calls handled before it came before the
    // answer, those handled after it came after, as the bus delivered them.
    bool answered = false;
    // The relay the wait belongs to; the wait itself when it belongs to none.
    EventRelay::Token relay;
    std::shared_ptr<const int> self = std::make_shared<const int>(0);
};

// The waits under way, outermost first.
QList<const Waiting*>& waits()
{
    static QList<const Waiting*> underWay;
    return underWay;
}

} // namespace

QDBusMessage PendingReply::wait(const QDBusPendingCall& pending, const QString& peer)
{
    Waiting waiting{pending, peer, false, EventRelay::innermost()};
    waits().append(&waiting);
    // Calls the peer made once its last answer was in may now be what it needs to answer this.
    EventRelay::announceChange();
    if (!pending.isFinished()) {
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
            waiting.answered = true;
            loop.quit();
        });
        // The reply may have come in while the watcher was being set up.
        if (!pending.isFinished())
            loop.exec();
    }
    waits().removeOne(&waiting);
    waiting.self.reset();
    EventRelay::announceChange();
    return pending.reply();
}

EventRelay::Token PendingReply::holdFor(const QString& peer)
{
    for (const Waiting* waiting : std::as_const(waits())) {
        if (waiting->answered && waiting->peer == peer)
            return waiting->relay.expired() ? EventRelay::Token(waiting->self) : waiting->relay;
    }
    return {};
}

bool PendingReply::awaits(const QString& peer)
{
    for (const Waiting* waiting : std::as_const(waits())) {
        if (waiting->peer == peer && !waiting->answered)
            return true;
    }
    return false;
}
