#pragma once

#include "platform/Variant.h"

#include <QString>
#include <initializer_list>
#include <memory>

class EngineBasket;
class ProcedureFrame;
class RulesEngine;

// The state checks that the sale objects run before they touch the engine, each in the order
// its member lists them; the first that fails leaves the frame and raises its code from the
// class's source. The engine is the controller's current one, read afresh for every request
// (the controller is loaded on first use).
class SaleGuards {
public:
    enum Check {
        Ready,          // the controller has an engine
        Assigned,       // the engine needs no assignment
        Idle,           // the engine is not busy
        BasketPresent,  // the engine has a basket
        NotEmpty,       // the basket holds items
        NotCommitted,   // the basket is not committed
        NotFull,        // the basket is not full
    };

    // One check, and the text a site's lexicon may show in the message's placeholder.
    struct Guard {
        Check check;
        QString argument = {};
    };

    static void require(ProcedureFrame& frame, const QString& className, std::initializer_list<Guard> guards);

    // The controller's engine, or nullptr; requiredEngine() raises 91 instead of nullptr.
    static std::shared_ptr<RulesEngine> engine();
    static std::shared_ptr<RulesEngine> requiredEngine();
    // The engine's basket; raises 91 without an engine or a basket (callers check first).
    static std::shared_ptr<EngineBasket> basket();
    // The basket in progress when the controller is loaded and has an engine with one, without
    // loading the controller; nullptr otherwise. Never raises for a missing engine.
    static std::shared_ptr<EngineBasket> basketInProgress();

private:
    // True when the check holds.
    static bool passes(Check check);
    [[noreturn]] static void fail(ProcedureFrame& frame, const QString& className, const Guard& guard);
};
