#include "automation/BusMembers.h"
#include "automation/ObjectServer.h"
#include "platform/OffLoopWork.h"
#include "BusTestSupport.h"

#include <QDBusPendingCallWatcher>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kSlowRoot = QStringLiteral("/org/pcquiba/slowtest");
const QString kSlow = QStringLiteral("org.pcquiba.Slow");

// An open object whose Wait works off the event loop (as a print does) until the test lets it
// end, and whose Note writes its argument down in the order calls are served.
class SlowObject : public ExportedObject {
public:
    SlowObject()
        : m_members{
            BusMembers::function(QStringLiteral("Wait"), 1, {}, QStringLiteral("Variant"),
                                 QStringLiteral("Works off the event loop until the test lets it end."),
                                 [this](BusCall&) {
                                     OffLoopWork::run([this] {
                                         while (!go)
                                             std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                     });
                                     served.append(QStringLiteral("Wait"));
                                     return Variant();
                                 }),
            BusMembers::function(QStringLiteral("Note"), 2,
                                 {BusMembers::argument(QStringLiteral("text"), QStringLiteral("String"),
                                                       QStringLiteral("Written down as it is served."))},
                                 QStringLiteral("Variant"), QStringLiteral("Writes its argument down."),
                                 [this](BusCall& call) {
                                     served.append(call.arguments.at(0).toString());
                                     return Variant();
                                 }),
        }
    {
    }
    QString className() const override { return QStringLiteral("Slow"); }
    const BusMemberTable& members() const override { return m_members; }

    std::atomic<bool> go = false;
    QStringList served;

private:
    BusMemberTable m_members;
};

QDBusPendingCall callSlow(BusClient& client, const QString& member, const QVariantList& arguments = {})
{
    QDBusMessage message
        = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), kSlowRoot, kSlow, member);
    message.setArguments(arguments);
    return client.connection().asyncCall(message, 600000);
}

// While one client's call waits for slow work, other clients are answered; that client's own
// further calls wait for its answer and then come in the order they were sent.
TEST(HeldCallTest, AClientsCallsWaitForItsSlowCallWhileOthersAreServed)
{
    ObjectServer server(QDBusConnection::sessionBus(), kSlowRoot);
    auto slow = std::make_shared<SlowObject>();
    server.publish(slow);
    ASSERT_TRUE(server.start());
    BusClient printing(QStringLiteral("held-printing"));
    BusClient other(QStringLiteral("held-other"));

    const QDBusPendingCall wait = callSlow(printing, QStringLiteral("Wait"));
    const QDBusPendingCall first = callSlow(printing, QStringLiteral("Note"), {QStringLiteral("first")});
    const QDBusPendingCall second = callSlow(printing, QStringLiteral("Note"), {QStringLiteral("second")});
    QStringList seenWhileWaiting;
    bool otherAnswered = false;
    QDBusPendingCallWatcher* otherCall = nullptr;
    const auto sendOther = [&] {
        otherCall = new QDBusPendingCallWatcher(callSlow(other, QStringLiteral("Note"), {QStringLiteral("other")}));
        QObject::connect(otherCall, &QDBusPendingCallWatcher::finished, [&](QDBusPendingCallWatcher* watcher) {
            otherAnswered = !watcher->isError();
            seenWhileWaiting = slow->served;
            seenWhileWaiting.append(first.isFinished() ? QStringLiteral("first answered") : QStringLiteral("first held"));
            slow->go = true;
            watcher->deleteLater();
        });
    };
    // Sent once the slow call is under way (looked at on every turn of the loop), so that it is
    // served inside the wait.
    QTimer underWay;
    underWay.setInterval(0);
    QObject::connect(&underWay, &QTimer::timeout, [&] {
        if (!OffLoopWork::underWay())
            return;
        underWay.stop();
        sendOther();
    });
    underWay.start();
    ASSERT_TRUE(waitUntil([&] { return wait.isFinished() && first.isFinished() && second.isFinished(); }));
    EXPECT_TRUE(otherAnswered);
    EXPECT_EQ(seenWhileWaiting, (QStringList{QStringLiteral("other"), QStringLiteral("first held")}));
    EXPECT_EQ(slow->served,
              (QStringList{QStringLiteral("other"), QStringLiteral("Wait"), QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_FALSE(QDBusPendingCall(wait).isError());
}

} // namespace
