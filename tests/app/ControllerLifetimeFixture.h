#pragma once

#include "common/TestEventLoop.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "services/ProcessState.h"

#include <QDateTime>

// The controller with the fake rules engine, on a clock set to `now`; unloaded and reset after
// each test, so that the process's end and the kiosk's run start from nothing.
class ControllerLifetimeFixture : public ServiceFixture {
protected:
    explicit ControllerLifetimeFixture(const QDateTime& now)
        : m_now(now)
    {
    }

    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        FakeRulesEngine::install();
        Clock::set(m_now);
    }
    void TearDown() override
    {
        frmController::unload();
        TestEventLoop::runPending();
        FakeRulesEngine::uninstall();
        ProcessState::reset();
        Clock::reset();
        ServiceFixture::TearDown();
    }

private:
    QDateTime m_now;
};
