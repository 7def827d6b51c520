#pragma once

#include <QString>

// The first steps of start-up: the error handler, the version string and the logger with its
// banner, created through the component registry and installed as the process's services.
class ServiceStartup {
public:
    // The class names the services are created by.
    static inline const QString kErrorHandlerClass = QStringLiteral("QuibaTrace.ErrorHandler");
    static inline const QString kLoggerClass = QStringLiteral("QuibaTrace.Logger");
    static inline const QString kLexiconClass = QStringLiteral("QuibaLexicon.Lexicon");

    // Creates and installs the error handler; on failure returns false with the message the
    // operator is shown ("Unable to initialise Error Handler:" ...).
    static bool startErrorHandler(QString& failureMessage);
    // Creates and installs the logger and writes the start-up banner.
    static void startLogger();
    // Creates the lexicon, loads it from the file and installs it; nothing is installed when
    // it cannot be created or loaded.
    static void startLexicon(const QString& fileName);

    // Logs at severity 4, when no component plugin provides the rules engine, that the
    // built-in one sells nothing and which package provides one.
    static void reportMissingEngine();
    static QString missingEngineLine();

    // "VB." + major + "." + minor + "." + revision, each part at least two digits.
    static QString versionString(int major, int minor, int revision);
    static QString versionString();
};
