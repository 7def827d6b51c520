#include "platform/ExecutableInfo.h"

#include "platform/Format.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ExecutableInfo::name()
{
    return QStringLiteral("pcQUIBA");
}

QString ExecutableInfo::folder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QDir::currentPath();
}

int ExecutableInfo::majorVersion()
{
    return PCQUIBA_VERSION_MAJOR;
}

int ExecutableInfo::minorVersion()
{
    return PCQUIBA_VERSION_MINOR;
}

int ExecutableInfo::revision()
{
    return PCQUIBA_VERSION_PATCH;
}

QString ExecutableInfo::versionString(int major, int minor, int revision)
{
    const auto part = [](int value) { return Format::format(Variant(qint32(value)), QStringLiteral("00")); };
    return QStringLiteral("VB.") + part(major) + u'.' + part(minor) + u'.' + part(revision);
}

QString ExecutableInfo::versionString()
{
    return versionString(majorVersion(), minorVersion(), revision());
}
