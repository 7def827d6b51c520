#include "FleetSettings.h"

#include "FleetTopics.h"
#include "config/IniFinder.h"
#include "config/IniKeys.h"
#include "config/clsINIFile.h"
#include "platform/ExecutableInfo.h"
#include "support/modMACaddr.h"

#include <QDir>
#include <QFileInfo>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>

namespace {

QString fromIniFolder(const clsINIFile& ini, const QString& name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    return QFileInfo(ini.FileName()).absoluteDir().filePath(name);
}

} // namespace

QString FleetSettings::defaultIniFile()
{
    return IniFinder::fileName(IniFinder::searchFolders(ExecutableInfo::folder()));
}

QString FleetSettings::commonName(const QString& certificateFile)
{
    const QByteArray path = QFile::encodeName(certificateFile);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.constData(), "r"), &std::fclose);
    if (!file)
        return {};
    std::unique_ptr<X509, void (*)(X509*)> certificate(PEM_read_X509(file.get(), nullptr, nullptr, nullptr), &X509_free);
    if (!certificate)
        return {};
    char name[256] = {};
    const int length = X509_NAME_get_text_by_NID(X509_get_subject_name(certificate.get()), NID_commonName, name, sizeof name);
    return length > 0 ? QString::fromUtf8(name, length) : QString();
}

void FleetSettings::readConnection(const clsINIFile& ini, FleetSettings& settings)
{
    settings.brokerUrl = ini.GetString(kSection, IniKeys::BrokerUrl);
    settings.fleetName = ini.GetString(kSection, IniKeys::FleetName);
    settings.caFile = fromIniFolder(ini, ini.GetString(kSection, IniKeys::CaFile));
    settings.certFile = fromIniFolder(ini, ini.GetString(kSection, IniKeys::CertFile));
    settings.keyFile = fromIniFolder(ini, ini.GetString(kSection, IniKeys::KeyFile));
}

bool FleetSettings::read(const clsINIFile& ini, FleetSettings& settings, QString& error)
{
    readConnection(ini, settings);
    settings.groups.clear();
    for (const QString& group : ini.GetString(kSection, IniKeys::Groups).split(u',', Qt::SkipEmptyParts)) {
        const QString name = group.trimmed();
        if (!FleetTopics::isValidName(name)) {
            error = QStringLiteral("FLEET groups: not a group name: %1").arg(name);
            return false;
        }
        settings.groups.append(name);
    }
    if (settings.brokerUrl.isEmpty()) {
        error = QStringLiteral("FLEET broker_url is not set");
        return false;
    }
    if (!FleetTopics::isValidName(settings.fleetName)) {
        error = QStringLiteral("FLEET fleet_name is not a fleet name: %1").arg(settings.fleetName);
        return false;
    }
    if (!settings.certFile.isEmpty()) {
        settings.kioskId = commonName(settings.certFile);
        if (settings.kioskId.isEmpty()) {
            error = QStringLiteral("FLEET cert_file has no readable common name: %1").arg(settings.certFile);
            return false;
        }
    } else {
        settings.kioskId = ini.GetString(kSection, IniKeys::KioskId);
        if (settings.kioskId.isEmpty())
            settings.kioskId = modMACaddr::GetMAC();
    }
    if (!FleetTopics::isValidKioskName(settings.kioskId)) {
        error = QStringLiteral("the kiosk id is not a kiosk name: %1").arg(settings.kioskId);
        return false;
    }
    return true;
}
