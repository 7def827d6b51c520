#pragma once

#include "components/UpdatePackage.h"
#include "components/UpdatePackageState.h"
#include "controller/ConfigurationUtility.h"

#include <QByteArray>
#include <functional>
#include <optional>

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
    // beginUpdate, the package read off the event loop; done runs from the event loop after it.
    void beginUpdateAsync(const QString& package, std::function<void()> done);
    // Files of the waiting package, named in package, as long as the package file is still the
    // one that was prepared; 0 with the reason in message when there is nothing to install.
    qint16 filesToInstall(QString& package, bool& isExe, QString& message);
    qint16 filesToInstall(bool& isExe, QString& message);
    // filesToInstall, the package read off the event loop; done runs from the event loop after it.
    void filesToInstallAsync(std::function<void(ConfigurationUtility::Offer)> done);
    // Files kept for rolling back the newest install, named in package; 0 with the reason in
    // message when nothing is kept.
    qint16 filesToRollBack(QString& package, bool& isExe, QString& message);

private:
    // What the worker reads of a package file: its SHA-256, and the package checked whole or
    // only its signed manifest.
    struct Checked {
        bool good = false;
        QByteArray checksum;
        UpdatePackage package;
    };
    static Checked check(const QString& file, bool whole);
    // Fills in the newest package for an empty name; false (logged) when there is no usable name.
    bool named(QString& package);
    QString packageFile(const QString& package) const;
    void concludeUpdate(const QString& package, const Checked& checked);
    // The prepared package's file, or nothing with the reason in offer.
    std::optional<QString> preparedFile(ConfigurationUtility::Offer& offer);
    ConfigurationUtility::Offer concludeOffer(const Checked& checked);
    static QString changedOrGone(const QString& package);
    QString newestPackage() const;
    void refuse(const QString& why, bool untrusted = false);

    std::shared_ptr<clsINIFile> m_ini;
    UpdatePackageState m_state;
};
