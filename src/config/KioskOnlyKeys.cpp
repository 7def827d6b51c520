#include "config/KioskOnlyKeys.h"

#include "config/IniKeys.h"
#include "config/IniSections.h"

const QList<KioskOnlyKeys::Key>& KioskOnlyKeys::all()
{
    static const QList<Key> keys{
        {IniSections::Files, IniKeys::AppPath},       {IniSections::Files, IniKeys::BackupPath},
        {IniSections::Files, IniKeys::DownloadPath},  {IniSections::Files, IniKeys::FragmentPath},
        {IniSections::Files, IniKeys::LogPath},       {IniSections::Files, IniKeys::DataPath},
        {IniSections::Files, IniKeys::Lexicon},       {IniSections::Files, IniKeys::ManifestPath},
        {IniSections::Files, IniKeys::OtcXml},        {IniSections::General, IniKeys::StandaloneStart},
        {IniSections::General, IniKeys::LogPrivateData}, {IniSections::General, IniKeys::EngineTimeout},
        {IniSections::Printer, IniKeys::Class},       {IniSections::Printer, IniKeys::PrinterType},
        {IniSections::Printer, IniKeys::PrinterDevice},
        {IniSections::Fleet, IniKeys::BrokerUrl},     {IniSections::Fleet, IniKeys::FleetName},
        {IniSections::Fleet, IniKeys::KioskId},       {IniSections::Fleet, IniKeys::Groups},
        {IniSections::Fleet, IniKeys::CaFile},        {IniSections::Fleet, IniKeys::CertFile},
        {IniSections::Fleet, IniKeys::KeyFile},
    };
    return keys;
}

bool KioskOnlyKeys::contains(const QString& section, const QString& key)
{
    for (const Key& entry : all())
        if (entry.section.compare(section, Qt::CaseInsensitive) == 0 && entry.key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString KioskOnlyKeys::keyIn(const QString& section)
{
    for (const Key& entry : all())
        if (entry.section.compare(section, Qt::CaseInsensitive) == 0)
            return entry.key;
    return {};
}

QString KioskOnlyKeys::refusal(const QString& section, const QString& key)
{
    return QStringLiteral("Command Failed: %1/%2 may only be changed on the kiosk").arg(section, key);
}
