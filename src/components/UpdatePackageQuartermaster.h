#pragma once

#include "components/UpdatePackageState.h"

#include <QString>
#include <memory>

class clsINIFile;

// The update steps the configuration utility offers to the remote commands. BeginUpdate
// verifies a package in the download folder (download_path) and marks it as waiting;
// FilesToInstall says how many files the next install or rollback will touch and which
// installer it needs. State lives in QUARTERMASTER (see UpdatePackageState).
class UpdatePackageQuartermaster {
public:
    static inline const QString kPackageSuffix = QStringLiteral(".tar.gz");
    static inline const QString kNothingWaiting = QStringLiteral("No update package is waiting to be installed.");

    // On the main INI file.
    UpdatePackageQuartermaster();
    explicit UpdatePackageQuartermaster(std::shared_ptr<clsINIFile> ini);

    // An empty package name takes the newest package of the download folder and is set to it.
    void beginUpdate(QString& package);
    // Files of the waiting package (or, after an install, files kept for its rollback);
    // 0 with the reason in message when there is nothing to do.
    qint16 filesToInstall(bool& isExe, QString& message);

private:
    QString newestPackage() const;
    void refuse(const QString& why);

    std::shared_ptr<clsINIFile> m_ini;
    UpdatePackageState m_state;
};
