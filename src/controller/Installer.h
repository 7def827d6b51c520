#pragma once

#include "platform/AutomationObject.h"

#include "platform/AutomationError.h"

#include <QString>
#include <functional>
#include <optional>

// The installer component, created by class name (kClassId): installs an update package's
// files into the application folder and can put back what it replaced.
class Installer : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaInstaller.Installer");

    virtual void install(QString& package) = 0;
    virtual void Rollback(QString& package) = 0;

    // install without waiting for the package to be read: `done` runs on the caller's thread from
    // its event loop once it has ended, with the error install would have raised, if any.
    using Done = std::function<void(std::optional<AutomationError>)>;
    virtual void installAsync(const QString& package, Done done)
    {
        QString named = package;
        std::optional<AutomationError> failure;
        try {
            install(named);
        } catch (...) {
            failure = AutomationError::fromCurrentException();
        }
        done(failure);
    }
};
