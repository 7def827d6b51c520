#pragma once

#include "components/PackageVersion.h"
#include "components/UpdatePackageState.h"
#include "controller/Installer.h"

#include <QStringList>
#include <memory>
#include <optional>

class clsINIFile;
class QTemporaryDir;
class UpdatePackage;

// The built-in installer: installs a verified update package from the download folder into
// the application folder (app_path) and keeps every file it replaces, so that Rollback puts the
// folder back exactly as it was. What it keeps for a package lies in the backup folder:
//
//     <backup_path>/<package>/ROLLBACK        "installer component|program", "sequence N", then one
//                                             line per file: "replaced PATH" or "added PATH"
//     <backup_path>/<package>/files/PATH      the replaced file, byte for byte, with its mode; a
//                                             symbolic link kept as a link
//
// The sequence orders installs, so that a rollback never overwrites files of a newer install.
// A package that cannot be verified installs nothing. What is kept is dropped only once it has
// been put back. Failures raise an error whose description says why ("Update package NAME: ...").
class PackageInstaller : public Installer {
public:
    static QString classId() { return Installer::kClassId; }
    static inline const QString kRollbackList = QStringLiteral("ROLLBACK");
    static inline const QString kSource = QStringLiteral("QuibaInstaller");

    PackageInstaller();
    explicit PackageInstaller(std::shared_ptr<clsINIFile> ini);

    QString className() const override { return QStringLiteral("Installer"); }

    // An empty package name installs the one the update steps prepared.
    void install(QString& package) override;
    // install, the package unpacked and verified off the event loop.
    void installAsync(const QString& package, Done done) override;
    // An empty package name rolls back the newest install.
    void Rollback(QString& package) override;

    // The version installed last: share/pcquiba/installed-version under the application folder;
    // "0" when none is recorded.
    PackageVersion installedVersion() const;
    static QString notNewer(const QString& package, const PackageVersion& version, const PackageVersion& installed);

    // The number of files kept for rolling the package back; 0 when nothing is kept.
    int keptFiles(const QString& package) const;

    // The package installed last whose files are still kept: the one a rollback may put back.
    struct Installed {
        QString package;
        int keptFiles = 0;
        bool programInstaller = false;
        qint64 sequence = 0;
    };
    std::optional<Installed> newestInstall() const;

    // The installer program installs packages whose manifest asks for it; in the running
    // program they are refused.
    void setProgramInstaller(bool program) { m_programInstaller = program; }

private:
    // A package about to be unpacked: its name, file and staging folder beside the application.
    struct Staging {
        QString name;
        QString file;
        std::shared_ptr<QTemporaryDir> folder;
    };
    Staging stage(const QString& package) const;
    // Checks what was unpacked into the staging folder and moves it into place.
    void place(const Staging& staging, const UpdatePackage& verified, bool good);

    struct Kept {
        QString action; // "replaced" or "added"
        QString path;
    };

    QString packageName(const QString& package) const;
    QString keepFolder(const QString& package) const;
    QList<Kept> keptList(const QString& package) const;
    // The installs whose files are kept, read from their ROLLBACK lists.
    QList<Installed> keptInstalls() const;
    Installed installRecord(const QString& package) const;
    QList<Kept> keepReplacedFiles(const QString& package, const QStringList& paths, bool programInstaller) const;
    // Refuses a package that would write where only the kiosk writes.
    void checkTargets(const QString& package, const QStringList& paths) const;
    bool recordVersion(const PackageVersion& version) const;
    // Puts the kept files back for the given entries; false when one could not be restored.
    bool restore(const QString& package, const QList<Kept>& entries) const;
    // A failed install puts back what it moved; what is kept goes only if that worked.
    void undoInstall(const QString& package, const QList<Kept>& moved) const;
    [[noreturn]] void raise(qint32 number, const QString& package, const QString& why) const;

    std::shared_ptr<clsINIFile> m_ini;
    UpdatePackageState m_state;
    bool m_programInstaller = false;
};
