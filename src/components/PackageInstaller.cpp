#include "components/PackageInstaller.h"

#include "components/UpdatePackage.h"
#include "controller/MainIni.h"
#include "platform/RuntimeErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const QString kReplaced = QStringLiteral("replaced");
const QString kAdded = QStringLiteral("added");

// Puts source in place of target in one step: a copy beside the target, then a rename.
bool replaceWithCopy(const QString& source, const QString& target)
{
    const QString temporary = target + QStringLiteral(".pcquiba-new");
    QFile::remove(temporary);
    if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(source, temporary))
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
    const QString name = packageName(package);
    if (QFileInfo::exists(QDir(keepFolder(name)).filePath(kRollbackList)))
        raise(RuntimeErrors::FileAlreadyExists, name, QStringLiteral("already installed; roll it back first"));
    const QString application = m_state.applicationFolder();
    if (!QFileInfo(application).isDir())
        raise(RuntimeErrors::PathNotFound, name, QStringLiteral("no application folder ") + application);

    // Everything is unpacked and verified beside the application before anything changes.
    QTemporaryDir staging(QDir(application).filePath(QStringLiteral(".pcquiba-install-XXXXXX")));
    if (!staging.isValid())
        raise(RuntimeErrors::PermissionDenied, name, QStringLiteral("cannot write in ") + application);
    UpdatePackage verified;
    if (!verified.load(QDir(m_state.downloadFolder()).filePath(name), staging.path())) {
        m_state.setFailed();
        throw RuntimeErrors::error(RuntimeErrors::InvalidFileFormat, kSource, verified.error());
    }

    QStringList paths;
    for (const auto& file : verified.files()) {
        if (QFileInfo(QDir(application).filePath(file.path)).isDir())
            raise(RuntimeErrors::PathFileAccessError, name, file.path + QStringLiteral(" is a folder"));
        paths << file.path;
    }
    const QList<Kept> kept = keepReplacedFiles(name, paths);

    for (qsizetype i = 0; i < verified.files().size(); ++i) {
        const auto& file = verified.files()[i];
        const QString staged = QDir(staging.path()).filePath(file.path);
        const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
            | QFileDevice::ReadOther
            | (file.executable ? QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther
                               : QFileDevice::Permissions());
        QFile::setPermissions(staged, mode);
        if (!moveInto(staged, QDir(application).filePath(file.path))) {
            restore(name, kept.mid(0, i));
            QDir(keepFolder(name)).removeRecursively();
            raise(RuntimeErrors::PathFileAccessError, name, QStringLiteral("cannot install ") + file.path);
        }
    }
    m_state.setInstalled(name);
    package = name;
}

void PackageInstaller::Rollback(QString& package)
{
    const QString name = packageName(package);
    const QList<Kept> kept = keptList(name);
    if (kept.isEmpty())
        raise(RuntimeErrors::FileNotFound, name, QStringLiteral("nothing is kept to roll back"));
    if (!restore(name, kept))
        raise(RuntimeErrors::PathFileAccessError, name, QStringLiteral("not every file could be put back"));
    QDir(keepFolder(name)).removeRecursively();
    m_state.setRolledBack();
    package = name;
}

int PackageInstaller::keptFiles(const QString& package) const
{
    return int(keptList(package).size());
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

QList<PackageInstaller::Kept> PackageInstaller::keepReplacedFiles(const QString& package,
                                                                  const QStringList& paths) const
{
    const QDir application(m_state.applicationFolder());
    QDir keep(keepFolder(package));
    keep.removeRecursively();
    QList<Kept> kept;
    QByteArray list;
    for (const QString& path : paths) {
        const QString current = application.filePath(path);
        const bool replaced = QFileInfo::exists(current);
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
        else if (QFileInfo::exists(target))
            all = QFile::remove(target) && all;
    }
    return all;
}

void PackageInstaller::raise(qint32 number, const QString& package, const QString& why) const
{
    throw RuntimeErrors::error(number, kSource, QStringLiteral("Update package %1: %2").arg(package, why));
}
