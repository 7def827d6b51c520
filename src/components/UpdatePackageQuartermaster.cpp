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
    if (!named(package))
        return;
    const QString file = packageFile(package);
    concludeUpdate(package, UpdatePackageWorker::run<Checked>([file] { return check(file, true); }));
}

void UpdatePackageQuartermaster::beginUpdateAsync(const QString& package, std::function<void()> done)
{
    QString name = package;
    if (!named(name)) {
        done();
        return;
    }
    const QString file = packageFile(name);
    // The steps hold what they use: a copy of this object and the name.
    UpdatePackageWorker::start<Checked>([file] { return check(file, true); },
                                        [self = *this, name, done = std::move(done)](Checked checked) mutable {
                                            self.concludeUpdate(name, checked);
                                            done();
                                        });
}

bool UpdatePackageQuartermaster::named(QString& package)
{
    if (package.isEmpty())
        package = newestPackage();
    if (package.isEmpty()) {
        refuse(QStringLiteral("No update package found in ") + m_state.downloadFolder());
        return false;
    }
    if (!UpdatePackage::isPlainName(package)) {
        refuse(QStringLiteral("Update package %1: the name must not name a folder").arg(package));
        return false;
    }
    return true;
}

QString UpdatePackageQuartermaster::packageFile(const QString& package) const
{
    return QDir(m_state.downloadFolder()).filePath(package);
}

UpdatePackageQuartermaster::Checked UpdatePackageQuartermaster::check(const QString& file, bool whole)
{
    // Off the event loop: reads the package file only.
    Checked checked;
    checked.checksum = UpdatePackage::fileChecksum(file);
    checked.good = whole ? checked.package.load(file) : checked.package.loadManifest(file);
    return checked;
}

void UpdatePackageQuartermaster::concludeUpdate(const QString& package, const Checked& checked)
{
    // The one full check of the package.
    if (!checked.good)
        return refuse(checked.package.error(), checked.package.signatureRefused());
    const PackageVersion installed = PackageInstaller(m_ini).installedVersion();
    if (!checked.package.version().isNewerThan(installed))
        return refuse(PackageInstaller::notNewer(package, checked.package.version(), installed), true);
    m_state.setPending(package, QString::fromLatin1(checked.checksum));
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
    ConfigurationUtility::Offer offer;
    if (const auto file = preparedFile(offer))
        offer = concludeOffer(UpdatePackageWorker::run<Checked>([file = *file] { return check(file, false); }));
    package = offer.package;
    isExe = offer.isExe;
    message = offer.message;
    return offer.count;
}

void UpdatePackageQuartermaster::filesToInstallAsync(std::function<void(ConfigurationUtility::Offer)> done)
{
    ConfigurationUtility::Offer offer;
    const auto file = preparedFile(offer);
    if (!file) {
        done(offer);
        return;
    }
    UpdatePackageWorker::start<Checked>([file = *file] { return check(file, false); },
                                        [self = *this, done = std::move(done)](Checked checked) mutable {
                                            done(self.concludeOffer(checked));
                                        });
}

std::optional<QString> UpdatePackageQuartermaster::preparedFile(ConfigurationUtility::Offer& offer)
{
    if (!m_state.updateRequired()) {
        offer.message = kNothingWaiting;
        return std::nullopt;
    }
    const QString prepared = m_state.package();
    if (!UpdatePackage::isPlainName(prepared)) {
        m_state.setFailed();
        offer.message = changedOrGone(prepared);
        return std::nullopt;
    }
    return packageFile(prepared);
}

ConfigurationUtility::Offer UpdatePackageQuartermaster::concludeOffer(const Checked& checked)
{
    ConfigurationUtility::Offer offer;
    const QString prepared = m_state.package();
    // Checked whole when it was prepared and unchanged since: its manifest says the rest.
    if (checked.checksum.isEmpty() || checked.checksum != m_state.checksum().toLatin1()) {
        m_state.setFailed();
        offer.message = changedOrGone(prepared);
        return offer;
    }
    if (!checked.good) {
        m_state.setFailed();
        offer.message = checked.package.error();
        return offer;
    }
    offer.package = prepared;
    offer.isExe = checked.package.programInstaller();
    offer.count = qint16(std::min<qsizetype>(checked.package.files().size(), 32767));
    return offer;
}

QString UpdatePackageQuartermaster::changedOrGone(const QString& package)
{
    return QStringLiteral("Update package %1 has changed or gone since it was prepared").arg(package);
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

void UpdatePackageQuartermaster::refuse(const QString& why, bool untrusted)
{
    m_state.setFailed();
    // A package that is not trusted is a failed remote command; anything else a warning.
    if (untrusted)
        Services::logger().log(Variant(QStringLiteral("Command Failed: ") + why), Trace::CommandFailureSeverity);
    else
        Services::logger().log(Variant(why), Trace::WarningSeverity);
}
