#include "app/ProcessLifetime.h"
#include "common/TestEventLoop.h"
#include "controller/frmController.h"

#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(ProcessLifetimeTest, InUseWhileAWindowShowsOrTheControllerHasClients)
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
    frmController::unload();
    TestEventLoop::runPending();
}

TEST(ProcessLifetimeTest, AnAutomationStartWaitsForItsFirstClientOnlySoLong)
{
    ProcessLifetime waiting(true, 60000);
    EXPECT_TRUE(waiting.inUse());

    ProcessLifetime waitedEnough(true, 0);
    EXPECT_FALSE(waitedEnough.inUse());

    // Once a client has come and gone, the wait does not apply again.
    ProcessLifetime served(true, 60000);
    frmController::instance().Connect(u"API1"_s);
    EXPECT_TRUE(served.inUse());
    frmController::unload();
    TestEventLoop::runPending();
    EXPECT_FALSE(served.inUse());
}

} // namespace
