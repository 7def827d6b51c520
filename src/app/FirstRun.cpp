#include "app/FirstRun.h"

#include "services/Services.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "platform/ExecutableInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void FirstRun::fillProgramRoot()
{
    for (const QString& folder : sampleFolders()) {
        if (QFileInfo(folder).isDir()) {
            fillFrom(folder);
            return;
        }
    }
}

QStringList FirstRun::sampleFolders()
{
    return {ExecutableInfo::folder() + QStringLiteral("/sample"),
            QDir::cleanPath(ExecutableInfo::folder() + QStringLiteral("/../share/pcquiba/sample")),
            QStringLiteral(PCQUIBA_INSTALL_PREFIX) + QStringLiteral("/share/pcquiba/sample")};
}

QStringList FirstRun::fillFrom(const QString& sampleFolder)
{
    const QDir sample(sampleFolder);
    QStringList written;
    const auto copy = [&](const QString& source, const QString& target) {
        if (copyIfMissing(source, target)) {
            written.append(target);
            Services::logger().log(Variant(QStringLiteral("First run: ") + QDir::toNativeSeparators(target)), 0);
        }
    };
    // An INI file found anywhere on the search path counts: a second one in the program root
    // would hide it.
    const QString iniFile = IniLocation::iniFileName();
    if (!QFileInfo::exists(iniFile))
        copy(sample.filePath(QStringLiteral("config/") + IniLocation::kFileName), iniFile);

    clsINIFile ini;
    ini.setFileName(iniFile);
    copy(sample.filePath(QStringLiteral("manifest/otc.xml")), IniLocation::iniGetPath(&ini, IniKeys::OtcXml));
    const QString logoFolder = IniLocation::iniGetPath(&ini, IniKeys::LogoPath);
    const QDir logos(sample.filePath(QStringLiteral("manifest/logos")));
    for (const QString& logo : logos.entryList(QDir::Files, QDir::Name))
        copy(logos.filePath(logo), IniLocation::joinPath(logoFolder, logo));
    return written;
}

bool FirstRun::copyIfMissing(const QString& source, const QString& target)
{
    if (target.isEmpty() || QFileInfo::exists(target) || !QFileInfo(source).isFile())
        return false;
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return false;
    // Through a temporary name, so that a half-copied file never stands under the real one.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    if (!QFile::copy(source, partial))
        return false;
    QFile(partial).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return false;
    }
    return true;
}
