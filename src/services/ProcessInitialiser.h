#pragma once

#include <functional>

// The start-up that builds the process-wide state (modMain::MainInitialise), as the start-up
// registered it: the automation objects run it when a Sovereign makes the first one before the
// process was initialised, without depending on the start-up themselves.
class ProcessInitialiser {
public:
    static void set(std::function<void()> initialise);
    // Runs the registered start-up; nothing when none was registered.
    static void run();
};
