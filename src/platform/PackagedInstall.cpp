#include "platform/PackagedInstall.h"

#include "platform/ExecutableInfo.h"

#include <QDir>
#include <QFileInfo>

QString PackagedInstall::markFile()
{
    return QDir::cleanPath(ExecutableInfo::folder() + QStringLiteral("/../share/pcquiba/packaged"));
}

bool PackagedInstall::isPackaged(const QString& markFile)
{
    return QFileInfo(markFile).isFile();
}
