#pragma once

#include "components/UpdatePackageState.h"

#include <QString>
#include <memory>

class clsINIFile;

// The update steps the configuration utility offers to the remote commands. BeginUpdate
// verifies a package in the download folder (download_path) and marks it as waiting; it is the
// one full check of the package. FilesToInstall says how many files the waiting package installs
// and which installer its manifest names; FilesToRollBack, which install a rollback would undo.
// State lives in QUARTERMASTER (see UpdatePackageState).
class UpdatePackageQuartermaster {
public:
    static inline const QString kPackageSuffix = QStringLiteral(".tar.gz");
    static inline const QString kNothingWaiting = QStringLiteral("No update package is waiting to be installed.");
    static inline const QString kNothingInstalled =
        QStringLiteral("No installed update package can be rolled back.");

    // On the main INI file.
    UpdatePackageQuartermaster();
    explicit UpdatePackageQuartermaster(std::shared_ptr<clsINIFile> ini);

    // An empty package name takes the newest package of the download folder and is set to it.
    void beginUpdate(QString& package);
    // Files of the waiting package, named in package, as long as the package file is still the
    // one that was prepared; 0 with the reason in message when there is nothing to install.
    qint16 filesToInstall(QString& package, bool& isExe, QString& message);
    qint16 filesToInstall(bool& isExe, QString& message);
    // Files kept for rolling back the newest install, named in package; 0 with the reason in
    // message when nothing is kept.
    qint16 filesToRollBack(QString& package, bool& isExe, QString& message);

private:
    QString newestPackage() const;
    void refuse(const QString& why);

    std::shared_ptr<clsINIFile> m_ini;
    UpdatePackageState m_state;
};
