#include "app/ProcessLifetime.h"
#include "services/ProcessState.h"
#include "ControllerLifetimeFixture.h"
#include "common/TestEventLoop.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ProcessLifetimeTest : public ControllerLifetimeFixture {
protected:
    ProcessLifetimeTest()
        : ControllerLifetimeFixture(QDateTime(QDate(2026, 1, 1), QTime(12, 0)))
    {
    }

    // A Sovereign's client: an API object connects and starts the engine.
    static void connectClient(const QString& name)
    {
        frmController& controller = frmController::instance().Connect(name);
        controller.StartEngine();
    }
};

TEST_F(ProcessLifetimeTest, InUseWhileAWindowShowsOrTheControllerHasClients)
{
    ProcessLifetime handStart(false);
    EXPECT_FALSE(handStart.inUse());

    QWidget window;
    window.show();
    EXPECT_TRUE(handStart.inUse());
    window.hide();
    EXPECT_FALSE(handStart.inUse());

    // The controller is never shown: only its clients keep the process.
    frmController& controller = frmController::instance();
    EXPECT_FALSE(handStart.inUse());
    controller.Connect(u"KIOSK"_s);
    EXPECT_TRUE(handStart.inUse());
    controller.Disconnect(u"KIOSK"_s);
    EXPECT_FALSE(handStart.inUse());
}

TEST_F(ProcessLifetimeTest, AHandStartCountsTheKioskConnectedBeforeIt)
{
    frmController::instance().Connect(u"KIOSK"_s);
    ProcessLifetime handStart(false);
    EXPECT_TRUE(handStart.inUse());
}

TEST_F(ProcessLifetimeTest, AnAutomationStartWaitsForItsFirstClientOnlySoLong)
{
    ProcessLifetime waiting(true, 60000);
    EXPECT_TRUE(waiting.inUse());
    Clock::advance(59999);
    EXPECT_TRUE(waiting.inUse());
    Clock::advance(1);
    EXPECT_FALSE(waiting.inUse());

    ProcessLifetime waitedEnough(true, 0);
    EXPECT_FALSE(waitedEnough.inUse());
}

TEST_F(ProcessLifetimeTest, AnAutomationStartEndsSoonAfterItsLastClientLeft)
{
    ProcessState::instance().wellBehaved = true;
    const struct {
        const char* name;
        bool kioskShown;      // the client showed the kiosk screen
        bool checkedBetween;  // a check ran while the client was connected
    } cases[] = {
        {"checked while connected", false, true},
        // Came and went between two checks: still a client that has left.
        {"never checked", false, false},
        // The kiosk screen showed while the client was there, and was hidden with the engine.
        {"kiosk shown", true, true},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        ProcessLifetime lifetime(true);
        QWidget kiosk;
        connectClient(u"API1"_s);
        if (testCase.kioskShown)
            kiosk.show();
        if (testCase.checkedBetween) {
            EXPECT_TRUE(lifetime.inUse());
        }
        frmController::instance().Disconnect(u"API1"_s);
        kiosk.hide();
        TestEventLoop::runPending();
        EXPECT_TRUE(lifetime.inUse()); // within the grace
        Clock::advance(ProcessLifetime::kLastClientGraceMilliseconds);
        EXPECT_FALSE(lifetime.inUse());
    }
}

TEST_F(ProcessLifetimeTest, WithWellBehavedFalseARunningEngineKeepsTheProcessForTheIdleBound)
{
    ProcessState::instance().wellBehaved = false;
    ProcessLifetime lifetime(true);
    connectClient(u"API1"_s);
    frmController::instance().Disconnect(u"API1"_s);
    ASSERT_TRUE(ProcessLifetime::engineRunning());

    Clock::advance(ProcessLifetime::kIdleEngineMilliseconds - 1);
    EXPECT_TRUE(lifetime.inUse());
    // The next client finds the engine running, and its leaving starts the bound again.
    connectClient(u"API2"_s);
    frmController::instance().Disconnect(u"API2"_s);
    Clock::advance(ProcessLifetime::kIdleEngineMilliseconds - 1);
    EXPECT_TRUE(lifetime.inUse());
    Clock::advance(1);
    EXPECT_FALSE(lifetime.inUse());

    // Without an engine running, only the grace applies.
    frmController::instance().StopEngine();
    ProcessLifetime stopped(true);
    connectClient(u"API3"_s);
    frmController::instance().StopEngine();
    frmController::instance().Disconnect(u"API3"_s);
    Clock::advance(ProcessLifetime::kLastClientGraceMilliseconds);
    EXPECT_FALSE(stopped.inUse());
}

TEST_F(ProcessLifetimeTest, EveryEndStopsTheEngineFirst)
{
    ProcessState::instance().wellBehaved = false;
    const struct {
        const char* name;
        int signalNumber; // 0: nothing uses the process any more
        int exitCode;
    } cases[] = {
        {"idle", 0, 0},
        {"SIGTERM", SIGTERM, 128 + SIGTERM},
        {"SIGINT", SIGINT, 128 + SIGINT},
        {"SIGHUP", SIGHUP, 128 + SIGHUP},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        ProcessLifetime lifetime(true);
        QList<int> ended;
        bool engineStoppedBeforeEnding = false;
        QObject::connect(&lifetime, &ProcessLifetime::ending,
                         [&] { engineStoppedBeforeEnding = !ProcessLifetime::engineRunning(); });
        QObject::connect(&lifetime, &ProcessLifetime::ended, [&](int code) { ended.append(code); });
        lifetime.start();
        connectClient(u"API1"_s);
        const std::shared_ptr<FakeRulesEngine> engine = FakeRulesEngine::last();
        frmController::instance().Disconnect(u"API1"_s);
        ASSERT_TRUE(ProcessLifetime::engineRunning());

        if (testCase.signalNumber != 0) {
            std::raise(testCase.signalNumber);
        } else {
            Clock::advance(ProcessLifetime::kIdleEngineMilliseconds);
        }
        // The signal arrives through the event loop; the idle end at the next check.
        const QDeadlineTimer deadline(30000);
        while (ended.isEmpty() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(ended, QList<int>{testCase.exitCode});
        EXPECT_TRUE(engineStoppedBeforeEnding);
        EXPECT_TRUE(engine->calls.contains(u"ClearBasket()"_s)) << engine->calls.join(u' ').toStdString();
        frmController::unload();
        TestEventLoop::runPending();
    }
}

TEST_F(ProcessLifetimeTest, ACommandTickAfterTheBusIsGoneEndsTheProcessInsteadOfRunningACommand)
{
    ProcessLifetime lifetime(true);
    QList<int> ended;
    QObject::connect(&lifetime, &ProcessLifetime::ended, [&](int code) { ended.append(code); });
    connectClient(u"API1"_s);
    const std::shared_ptr<FakeRulesEngine> engine = FakeRulesEngine::last();
    bool commandRan = false;
    // The connection is gone before the library's message about it has come through the loop.
    const QDBusConnection gone = QDBusConnection::connectToBus(u"unix:path=/nonexistent/pcquiba-test-bus"_s, u"gone"_s);
    ASSERT_FALSE(gone.isConnected());
    // What a tick would run, were the bus still there, is never reached.
    lifetime.watchBus(gone, [&commandRan](frmController&) { commandRan = true; });

    QTimer* tick = frmController::instance().tmrCommand();
    tick->setInterval(0);
    tick->start();
    const QDeadlineTimer deadline(30000);
    while (ended.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    EXPECT_EQ(ended, QList<int>{69});
    EXPECT_FALSE(commandRan);
    EXPECT_FALSE(tick->isActive());
    EXPECT_TRUE(engine->calls.contains(u"ClearBasket()"_s)) << engine->calls.join(u' ').toStdString();
    const auto line = std::find_if(logger->lines.begin(), logger->lines.end(), [](const RecordingLogger::Line& logged) {
        return logged.text == u"pcQUIBA ends: the session bus connection is lost"_s;
    });
    ASSERT_NE(line, logger->lines.end());
    EXPECT_EQ(line->severity, 4);
    QDBusConnection::disconnectFromBus(u"gone"_s);
}

} // namespace
