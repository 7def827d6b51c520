#pragma once

#include "services/ProcessState.h"
#include "common/TestEventLoop.h"
#include "components/BuiltInComponents.h"
#include "controller/RecordingControllerListener.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"

#include <QCoreApplication>
#include <QEvent>
#include <functional>
#include <gtest/gtest.h>

// The sale objects' world for one test: recording services, a fake engine behind a loaded
// controller with one client, and a listener on the controller's events.
class SaleFixture : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        FakeRulesEngine::install();
    }

    void TearDown() override
    {
        if (frmController::isLoaded()) {
            frmController::instance().unadvise(&listener);
            frmController::unload();
        }
        TestEventLoop::runPending();
        frmController::setSaleObjectFactories({}, {});
        BuiltInComponents::registerAll();
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    // A running engine with an empty basket; the log, the listener and the engine's calls start
    // empty.
    FakeRulesEngine& startEngine()
    {
        frmController& controller = frmController::instance();
        controller.advise(&listener);
        controller.Connect(QStringLiteral("API1")).StartEngine();
        engine = FakeRulesEngine::last();
        engine->ensureBasket();
        clearRecords();
        return *engine;
    }

    FakeEngineBasket& basket() { return *engine->basket; }

    void clearRecords()
    {
        logger->lines.clear();
        listener.events.clear();
        if (engine)
            engine->calls.clear();
    }

    // The error a call raises; an error number of 0 when it raised none.
    static AutomationError errorOf(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const AutomationError& error) {
            return error;
        }
        return AutomationError(0, QString(), QString());
    }

    // The log lines at severity 1.
    QStringList traceLines() const
    {
        QStringList lines;
        for (const RecordingLogger::Line& line : logger->lines) {
            if (line.severity == 1)
                lines.append(line.text);
        }
        return lines;
    }

    std::shared_ptr<FakeRulesEngine> engine;
    RecordingControllerListener listener;
};
