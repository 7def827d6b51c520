#pragma once

#include "platform/AutomationObject.h"

#include <QString>
#include <functional>

// The configuration utility, created by class name (kClassId): the operator's settings dialog
// and the software update steps the remote commands drive.
class ConfigurationUtility : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaConfig.Utility");

    // Opens the settings on the named panel (empty: the first). A PIN equal to the configured
    // master PIN opens it at once, otherwise the operator is asked for it. True when saved.
    virtual bool ShowPanel(QString& panel, QString& pin) = 0;
    // Prepares the named update package (empty: the newest one waiting).
    virtual void BeginUpdate(QString& package) = 0;
    // The number of files waiting to be installed (0 or less: none, and Message says why);
    // IsExe tells whether the installer program must do it with pcQUIBA stopped.
    virtual qint16 FilesToInstall(bool& isExe, QString& message) = 0;
    // FilesToInstall, naming the prepared package it counts (empty when the utility does not say).
    virtual qint16 FilesToInstallPackage(QString& package, bool& isExe, QString& message)
    {
        package.clear();
        return FilesToInstall(isExe, message);
    }
    // What FilesToInstallPackage or FilesToRollBack answers.
    struct Offer {
        qint16 count = 0;
        QString package;
        bool isExe = false;
        QString message;
    };
    // The same steps without waiting for a package to be read: `done` runs on the caller's thread
    // from its event loop once the step has ended (at once when the utility reads nothing).
    virtual void BeginUpdateAsync(const QString& package, std::function<void()> done)
    {
        QString named = package;
        BeginUpdate(named);
        done();
    }
    virtual void FilesToInstallAsync(std::function<void(Offer)> done)
    {
        Offer offer;
        offer.count = FilesToInstallPackage(offer.package, offer.isExe, offer.message);
        done(offer);
    }

    // The files kept for rolling back the newest install, Package (0 or less: none, and Message
    // says why); IsExe tells whether the installer program installed it and must roll it back.
    virtual qint16 FilesToRollBack(QString& package, bool& isExe, QString& message)
    {
        package.clear();
        isExe = false;
        message = QStringLiteral("No installed update package can be rolled back.");
        return 0;
    }
};
