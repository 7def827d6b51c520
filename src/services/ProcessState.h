#pragma once

#include <QString>
#include <memory>

class clsINIFile;

// The process-wide state that start-up builds once and every part shares: the INI accessor,
// the version string, the well-behaved flag, the printer class, the resolved paths and the
// automation time-out with the message shown when it expires.
class ProcessState {
public:
    static ProcessState& instance();
    // Back to a process that has not been initialised (tests).
    static void reset();

    bool initialised = false;
    // Started by the automation runtime (D-Bus activation) rather than by hand.
    bool startedByAutomation = false;
    bool wellBehaved = false;
    QString versionString;
    QString printerClass;
    QString appPath;
    QString dataPath;
    QString logoPath;
    QString logoExt;
    QString fragmentPath;
    std::shared_ptr<clsINIFile> ini;

    // Milliseconds an automation call (an event to a Sovereign) may take.
    qint32 automationTimeout = 60000;
    QString timeoutMessageText;
    QString timeoutMessageTitle;
};
