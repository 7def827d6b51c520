#include "components/UpdatePackageQuartermaster.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "components/PackageInstaller.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageWorker.h"
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
    QByteArray checksum;
    // The one full check of the package.
    const bool good = UpdatePackageWorker::run<bool>([&] {
        checksum = UpdatePackage::fileChecksum(file);
        return verified.load(file);
    });
    if (!good)
        return refuse(verified.error());
    m_state.setPending(package, QString::fromLatin1(checksum));
    Services::logger().log(Variant(QStringLiteral("Update package %1 is ready to be installed").arg(package)),
                           Trace::ProgressSeverity);
}

qint16 UpdatePackageQuartermaster::filesToInstall(bool& isExe, QString& message)
{
    QString package;
    return filesToInstall(package, isExe, message);
}

qint16 UpdatePackageQuartermaster::filesToInstall(QString& package, bool& isExe, QString& message)
{
    isExe = false;
    package.clear();
    if (!m_state.updateRequired()) {
        message = kNothingWaiting;
        return 0;
    }
    const QString prepared = m_state.package();
    const QString file = QDir(m_state.downloadFolder()).filePath(prepared);
    if (!UpdatePackage::isPlainName(prepared)
        || UpdatePackageWorker::run<QByteArray>([&] { return UpdatePackage::fileChecksum(file); })
            != m_state.checksum().toLatin1()) {
        m_state.setFailed();
        message = QStringLiteral("Update package %1 has changed or gone since it was prepared").arg(prepared);
        return 0;
    }
    // Checked whole when it was prepared and unchanged since: its manifest says the rest.
    UpdatePackage manifest;
    if (!manifest.loadManifest(file)) {
        m_state.setFailed();
        message = manifest.error();
        return 0;
    }
    package = prepared;
    isExe = manifest.programInstaller();
    return qint16(std::min<qsizetype>(manifest.files().size(), 32767));
}

qint16 UpdatePackageQuartermaster::filesToRollBack(QString& package, bool& isExe, QString& message)
{
    const auto installed = PackageInstaller(m_ini).newestInstall();
    package = installed ? installed->package : QString();
    isExe = installed && installed->programInstaller;
    if (!installed)
        message = kNothingInstalled;
    return installed ? qint16(std::min(installed->keptFiles, 32767)) : 0;
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
