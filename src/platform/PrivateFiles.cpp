#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

constexpr mode_t kGroupAndOther = S_IRWXG | S_IRWXO;

// Takes the group's and others' rights away from the path itself, never from a link's target.
void clearGroupAndOther(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || S_ISLNK(status.st_mode))
        return;
    if ((status.st_mode & kGroupAndOther) != 0)
        ::chmod(name.constData(), status.st_mode & ~kGroupAndOther & 07777);
}

} // namespace

bool PrivateFiles::makeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    QDir().mkpath(QFileInfo(folder).absolutePath());
    return QDir().mkdir(folder, kFolderPermissions) || QFileInfo(folder).isDir();
}

void PrivateFiles::tighten(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir())
        return;
    clearGroupAndOther(folder);
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries)
        clearGroupAndOther(entry.filePath());
}
