#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// The installer component, created by class name (kClassId): installs an update package's
// files into the application folder and can put back what it replaced.
class Installer : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaInstaller.Installer");

    virtual void install(QString& package) = 0;
    virtual void Rollback(QString& package) = 0;
};
