#pragma once

// Once a second: tells the status file the engine's state and lets it write what changed.
class StatusReporter {
public:
    static constexpr int kIntervalMs = 1000;

    // Starts the process-wide report timer (once; it ends with the application object).
    static void start();
    // One report, as the timer makes it.
    static void report();
};
