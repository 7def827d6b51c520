#pragma once

#include <QString>

class clsINIFile;

// Once a second: tells the status file the engine's state and lets it write what changed.
class StatusReporter {
public:
    static constexpr int kIntervalMs = 1000;

    // Starts the process-wide report timer (once; it ends with the application object).
    static void start();
    // One report, as the timer makes it.
    static void report();
    // The update package installed last, as its installer recorded it under the application
    // folder; empty when none was.
    static QString packageVersion(const clsINIFile& ini);
};
