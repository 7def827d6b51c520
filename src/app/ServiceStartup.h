#pragma once

#include <QString>

// The first steps of start-up: the error handler, the version string and the logger with its
// banner, created through the component registry and installed as the process's services.
class ServiceStartup {
public:
    // Creates and installs the error handler; on failure returns false with the message the
    // operator is shown ("Unable to initialise Error Handler:" ...).
    static bool startErrorHandler(QString& failureMessage);
    // Creates and installs the logger and writes the start-up banner.
    static void startLogger();

    // "VB." + major + "." + minor + "." + revision, each part at least two digits.
    static QString versionString(int major, int minor, int revision);
    static QString versionString();
};
