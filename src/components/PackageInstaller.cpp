#include "components/PackageInstaller.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "components/TrustedKeys.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageWorker.h"
#include "controller/MainIni.h"
#include "platform/FileError.h"
#include "platform/RuntimeErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

const QString kReplaced = QStringLiteral("replaced");
const QString kAdded = QStringLiteral("added");
const QString kInstallerLine = QStringLiteral("installer ");
const QString kSequenceLine = QStringLiteral("sequence ");
const QString kProgram = QStringLiteral("program");
const QString kComponent = QStringLiteral("component");

// A copy of a file, or of a symbolic link as a link to the same target, word for word.
bool copyEntry(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isSymLink())
        return QFile::copy(source, target);
    std::error_code error;
    const std::filesystem::path link = std::filesystem::read_symlink(QFile::encodeName(source).toStdString(), error);
    if (!error)
        std::filesystem::create_symlink(link, QFile::encodeName(target).toStdString(), error);
    return !error;
}

// Something stands at the path, a dangling link included.
bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Puts source in place of target in one step: a copy beside the target, then a rename.
bool replaceWithCopy(const QString& source, const QString& target)
{
    const QString temporary = target + QStringLiteral(".pcquiba-new");
    QFile::remove(temporary);
    if (!QDir().mkpath(QFileInfo(target).path()) || !copyEntry(source, temporary))
        return false;
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

bool moveInto(const QString& source, const QString& target)
{
    return QDir().mkpath(QFileInfo(target).path())
        && std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
}

} // namespace

PackageInstaller::PackageInstaller()
    : PackageInstaller(MainIni::get())
{
}

PackageInstaller::PackageInstaller(std::shared_ptr<clsINIFile> ini)
    : m_ini(ini)
    , m_state(std::move(ini))
{
}

void PackageInstaller::install(QString& package)
{
    const Staging staging = stage(package);
    UpdatePackage verified;
    const bool good = UpdatePackageWorker::run<bool>(
        [&] { return verified.load(staging.file, staging.folder->path()); });
    place(staging, verified, good);
    package = staging.name;
}

void PackageInstaller::installAsync(const QString& package, Done done)
{
    std::optional<Staging> staging;
    try {
        staging = stage(package);
    } catch (...) {
        done(AutomationError::fromCurrentException());
        return;
    }
    struct Read {
        bool good = false;
        UpdatePackage verified;
    };
    // The continuation holds the staging folder and a copy of this installer until it has run.
    UpdatePackageWorker::start<Read>(
        [file = staging->file, folder = staging->folder->path()] {
            Read read;
            read.good = read.verified.load(file, folder);
            return read;
        },
        [self = *this, staging = *staging, done = std::move(done)](Read read) mutable {
            std::optional<AutomationError> failure;
            try {
                self.place(staging, read.verified, read.good);
            } catch (...) {
                failure = AutomationError::fromCurrentException();
            }
            done(failure);
        });
}

PackageInstaller::Staging PackageInstaller::stage(const QString& package) const
{
    const QString name = packageName(package);
    if (QFileInfo::exists(QDir(keepFolder(name)).filePath(kRollbackList)))
        raise(RuntimeErrors::FileAlreadyExists, name, QStringLiteral("already installed; roll it back first"));
    const QString application = m_state.applicationFolder();
    if (!QFileInfo(application).isDir())
        raise(RuntimeErrors::PathNotFound, name, QStringLiteral("no application folder ") + application);
    // Everything is unpacked and verified beside the application before anything changes.
    auto folder = std::make_shared<QTemporaryDir>(QDir(application).filePath(QStringLiteral(".pcquiba-install-XXXXXX")));
    if (!folder->isValid())
        raise(RuntimeErrors::PermissionDenied, name, QStringLiteral("cannot write in ") + application);
    return {name, QDir(m_state.downloadFolder()).filePath(name), std::move(folder)};
}

void PackageInstaller::place(const Staging& staging, const UpdatePackage& verified, bool good)
{
    const QString& name = staging.name;
    const QString application = m_state.applicationFolder();
    // A disk that is full or read-only says nothing against the package: it stays due, for a
    // later attempt once there is room.
    if (!good && verified.writeError())
        throw RuntimeErrors::error(FileError::number(verified.writeError()), kSource, verified.error());
    if (!good) {
        m_state.setFailed();
        throw RuntimeErrors::error(RuntimeErrors::InvalidFileFormat, kSource, verified.error());
    }
    if (verified.programInstaller() && !m_programInstaller)
        raise(RuntimeErrors::PermissionDenied, name, QStringLiteral("its manifest asks for the installer program"));
    if (!verified.version().isNewerThan(installedVersion())) {
        m_state.setFailed();
        throw RuntimeErrors::error(RuntimeErrors::InvalidFileFormat, kSource,
                                   notNewer(name, verified.version(), installedVersion()));
    }

    QStringList paths;
    for (const auto& file : verified.files()) {
        if (QFileInfo(QDir(application).filePath(file.path)).isDir())
            raise(RuntimeErrors::PathFileAccessError, name, file.path + QStringLiteral(" is a folder"));
        paths << file.path;
    }
    checkTargets(name, paths);
    // The version record is kept like a replaced file, so that a rollback restores it.
    const QList<Kept> kept = keepReplacedFiles(name, paths + QStringList{UpdatePackage::kVersionRecord},
                                               verified.programInstaller());

    for (qsizetype i = 0; i < verified.files().size(); ++i) {
        const auto& file = verified.files()[i];
        const QString staged = QDir(staging.folder->path()).filePath(file.path);
        const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
            | QFileDevice::ReadOther
            | (file.executable ? QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther
                               : QFileDevice::Permissions());
        QFile::setPermissions(staged, mode);
        if (!moveInto(staged, QDir(application).filePath(file.path))) {
            undoInstall(name, kept.mid(0, i));
            raise(RuntimeErrors::PathFileAccessError, name, QStringLiteral("cannot install ") + file.path);
        }
    }
    if (!recordVersion(verified.version())) {
        undoInstall(name, kept);
        raise(RuntimeErrors::PathFileAccessError, name, QStringLiteral("cannot record its version"));
    }
    m_state.setInstalled(name);
}

PackageVersion PackageInstaller::installedVersion() const
{
    return PackageVersion::fromFile(QDir(m_state.applicationFolder()).filePath(UpdatePackage::kVersionRecord));
}

QString PackageInstaller::notNewer(const QString& package, const PackageVersion& version,
                                   const PackageVersion& installed)
{
    return QStringLiteral("Update package %1: version %2 is not newer than the installed version %3")
        .arg(package, version.toString(), installed.toString());
}

bool PackageInstaller::recordVersion(const PackageVersion& version) const
{
    const QString record = QDir(m_state.applicationFolder()).filePath(UpdatePackage::kVersionRecord);
    // Written beside and renamed into place, so a crash leaves the old record or the new one.
    QSaveFile file(record);
    const QByteArray text = version.toString().toLatin1() + '\n';
    return QDir().mkpath(QFileInfo(record).path()) && file.open(QIODevice::WriteOnly)
        && file.write(text) == text.size() && file.commit();
}

void PackageInstaller::checkTargets(const QString& package, const QStringList& paths) const
{
    const QDir application(m_state.applicationFolder());
    for (const QString& folder : TrustedKeys::folders()) {
        const QString keys = QDir::cleanPath(folder) + QLatin1Char('/');
        for (const QString& path : paths)
            if (QDir::cleanPath(application.filePath(path)).startsWith(keys))
                raise(RuntimeErrors::PermissionDenied, package,
                      QStringLiteral("%1 lies in the trusted keys folder %2").arg(path, folder));
    }
}

void PackageInstaller::Rollback(QString& package)
{
    // Without a name: the newest install, the only one that may be rolled back.
    const auto newest = package.isEmpty() ? newestInstall() : std::nullopt;
    const QString name = packageName(newest ? newest->package : package);
    const QList<Kept> kept = keptList(name);
    if (kept.isEmpty())
        raise(RuntimeErrors::FileNotFound, name, QStringLiteral("nothing is kept to roll back"));
    const Installed installed = installRecord(name);
    // Put back by the installer that installed it: the program's packages with pcQUIBA stopped.
    if (installed.programInstaller != m_programInstaller)
        raise(RuntimeErrors::PermissionDenied, name,
              installed.programInstaller ? QStringLiteral("it was installed by the installer program")
                                         : QStringLiteral("it was installed by the installer component"));
    for (const Installed& other : keptInstalls())
        if (other.sequence > installed.sequence)
            raise(RuntimeErrors::PermissionDenied, name,
                  QStringLiteral("%1 was installed after it; roll that back first").arg(other.package));
    if (!restore(name, kept))
        raise(RuntimeErrors::PathFileAccessError, name, QStringLiteral("not every file could be put back"));
    QDir(keepFolder(name)).removeRecursively();
    m_state.setRolledBack();
    package = name;
}

int PackageInstaller::keptFiles(const QString& package) const
{
    const QList<Kept> kept = keptList(package);
    // The version record is kept beside the package's files, not counted among them.
    return int(std::count_if(kept.begin(), kept.end(),
                             [](const Kept& entry) { return entry.path != UpdatePackage::kVersionRecord; }));
}

std::optional<PackageInstaller::Installed> PackageInstaller::newestInstall() const
{
    std::optional<Installed> newest;
    for (const Installed& installed : keptInstalls())
        if (!newest || installed.sequence > newest->sequence)
            newest = installed;
    return newest;
}

QList<PackageInstaller::Installed> PackageInstaller::keptInstalls() const
{
    QList<Installed> installs;
    const QStringList folders = QDir(m_state.backupFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& package : folders)
        if (const Installed installed = installRecord(package); installed.keptFiles > 0)
            installs.append(installed);
    return installs;
}

PackageInstaller::Installed PackageInstaller::installRecord(const QString& package) const
{
    Installed installed{package, keptFiles(package), false, 0};
    QFile list(QDir(keepFolder(package)).filePath(kRollbackList));
    if (!UpdatePackage::isPlainName(package) || !list.open(QIODevice::ReadOnly | QIODevice::Text))
        return installed;
    while (!list.atEnd()) {
        const QString line = QString::fromUtf8(list.readLine()).trimmed();
        if (line.startsWith(kInstallerLine))
            installed.programInstaller = line.mid(kInstallerLine.size()) == kProgram;
        else if (line.startsWith(kSequenceLine))
            installed.sequence = line.mid(kSequenceLine.size()).toLongLong();
    }
    return installed;
}

QString PackageInstaller::packageName(const QString& package) const
{
    const QString name = package.isEmpty() ? m_state.package() : package;
    if (name.isEmpty())
        raise(RuntimeErrors::FileNotFound, name, QStringLiteral("no package is named or prepared"));
    if (!UpdatePackage::isPlainName(name))
        raise(RuntimeErrors::BadFileNameOrNumber, name, QStringLiteral("the name must not name a folder"));
    return name;
}

QString PackageInstaller::keepFolder(const QString& package) const
{
    return QDir(m_state.backupFolder()).filePath(package);
}

QList<PackageInstaller::Kept> PackageInstaller::keptList(const QString& package) const
{
    QList<Kept> kept;
    if (!UpdatePackage::isPlainName(package))
        return kept;
    QFile list(QDir(keepFolder(package)).filePath(kRollbackList));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return kept;
    while (!list.atEnd()) {
        const QString line = QString::fromUtf8(list.readLine()).chopped(1);
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString action = line.left(blank);
        const QString path = line.mid(blank + 1);
        if (blank > 0 && (action == kReplaced || action == kAdded) && UpdatePackage::isSafePath(path))
            kept.append({action, path});
    }
    return kept;
}

QList<PackageInstaller::Kept> PackageInstaller::keepReplacedFiles(const QString& package, const QStringList& paths,
                                                                  bool programInstaller) const
{
    const QDir application(m_state.applicationFolder());
    const auto newest = newestInstall();
    QDir keep(keepFolder(package));
    keep.removeRecursively();
    QList<Kept> kept;
    QByteArray list = (kInstallerLine + (programInstaller ? kProgram : kComponent) + QLatin1Char('\n') + kSequenceLine
                       + QString::number(newest ? newest->sequence + 1 : 1) + QLatin1Char('\n'))
                          .toUtf8();
    for (const QString& path : paths) {
        const QString current = application.filePath(path);
        const bool replaced = present(current);
        if (replaced && !replaceWithCopy(current, keep.filePath(QStringLiteral("files/") + path))) {
            keep.removeRecursively();
            raise(RuntimeErrors::PathFileAccessError, package, QStringLiteral("cannot keep ") + path);
        }
        kept.append({replaced ? kReplaced : kAdded, path});
        list += (replaced ? kReplaced : kAdded).toUtf8() + ' ' + path.toUtf8() + '\n';
    }
    QFile file(keep.filePath(kRollbackList));
    if (!QDir().mkpath(keep.path()) || !file.open(QIODevice::WriteOnly) || file.write(list) != list.size()
        || !file.flush()) {
        keep.removeRecursively();
        raise(RuntimeErrors::PathFileAccessError, package, QStringLiteral("cannot keep the files it replaces"));
    }
    return kept;
}

bool PackageInstaller::restore(const QString& package, const QList<Kept>& entries) const
{
    const QDir application(m_state.applicationFolder());
    const QDir keep(keepFolder(package));
    bool all = true;
    for (const Kept& entry : entries) {
        const QString target = application.filePath(entry.path);
        if (entry.action == kReplaced)
            all = replaceWithCopy(keep.filePath(QStringLiteral("files/") + entry.path), target) && all;
        else if (present(target))
            all = QFile::remove(target) && all;
    }
    return all;
}

void PackageInstaller::undoInstall(const QString& package, const QList<Kept>& moved) const
{
    if (restore(package, moved)) {
        QDir(keepFolder(package)).removeRecursively();
        return;
    }
    // Without what is kept the folder could never be put back.
    Services::logger().log(
        Variant(QStringLiteral("Update package %1: the files it replaced could not all be put back; they stay kept "
                               "in %2 for a rollback")
                    .arg(package, keepFolder(package))),
        Trace::CommandFailureSeverity);
}

void PackageInstaller::raise(qint32 number, const QString& package, const QString& why) const
{
    throw RuntimeErrors::error(number, kSource, QStringLiteral("Update package %1: %2").arg(package, why));
}
