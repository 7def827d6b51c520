#include "components/UpdatePackageQuartermaster.h"

#include "app/Services.h"
#include "app/Trace.h"
#include "components/PackageInstaller.h"
#include "components/UpdatePackage.h"
#include "controller/MainIni.h"

#include <QDir>

UpdatePackageQuartermaster::UpdatePackageQuartermaster()
    : UpdatePackageQuartermaster(MainIni::get())
{
}

UpdatePackageQuartermaster::UpdatePackageQuartermaster(std::shared_ptr<clsINIFile> ini)
    : m_ini(ini)
    , m_state(std::move(ini))
{
}

void UpdatePackageQuartermaster::beginUpdate(QString& package)
{
    if (package.isEmpty())
        package = newestPackage();
    if (package.isEmpty())
        return refuse(QStringLiteral("No update package found in ") + m_state.downloadFolder());
    if (!UpdatePackage::isPlainName(package))
        return refuse(QStringLiteral("Update package %1: the name must not name a folder").arg(package));
    const QString file = QDir(m_state.downloadFolder()).filePath(package);
    UpdatePackage verified;
    if (!verified.load(file))
        return refuse(verified.error());
    m_state.setPending(package, QString::fromLatin1(UpdatePackage::fileChecksum(file)));
    Services::logger().log(Variant(QStringLiteral("Update package %1 is ready to be installed").arg(package)),
                           Trace::ProgressSeverity);
}

qint16 UpdatePackageQuartermaster::filesToInstall(bool& isExe, QString& message)
{
    isExe = false;
    const QString package = m_state.package();
    if (!m_state.updateRequired()) {
        const int kept = m_state.rollbackPossible() ? PackageInstaller(m_ini).keptFiles(package) : 0;
        if (kept <= 0)
            message = kNothingWaiting;
        return qint16(std::min(kept, 32767));
    }
    const QString file = QDir(m_state.downloadFolder()).filePath(package);
    if (!UpdatePackage::isPlainName(package) || UpdatePackage::fileChecksum(file) != m_state.checksum().toLatin1()) {
        m_state.setFailed();
        message = QStringLiteral("Update package %1 has changed or gone since it was prepared").arg(package);
        return 0;
    }
    UpdatePackage verified;
    if (!verified.load(file)) {
        m_state.setFailed();
        message = verified.error();
        return 0;
    }
    isExe = verified.programInstaller();
    return qint16(std::min<qsizetype>(verified.files().size(), 32767));
}

QString UpdatePackageQuartermaster::newestPackage() const
{
    const QFileInfoList candidates = QDir(m_state.downloadFolder())
                                         .entryInfoList({QStringLiteral("*") + kPackageSuffix}, QDir::Files,
                                                        QDir::Time);
    return candidates.isEmpty() ? QString() : candidates.first().fileName();
}

void UpdatePackageQuartermaster::refuse(const QString& why)
{
    m_state.setFailed();
    Services::logger().log(Variant(why), Trace::WarningSeverity);
}
