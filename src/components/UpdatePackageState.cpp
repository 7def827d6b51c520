#include "components/UpdatePackageState.h"

#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/DateValue.h"

namespace {

const QString& section()
{
    return IniSections::Quartermaster;
}

QString defaultText(const QString& key)
{
    return IniDefaults::iniDefault(key).toString();
}

bool defaultBoolean(const QString& key)
{
    return IniDefaults::iniDefault(key).toBool();
}

} // namespace

UpdatePackageState::UpdatePackageState(std::shared_ptr<clsINIFile> ini)
    : m_ini(std::move(ini))
{
}

QString UpdatePackageState::state() const
{
    return m_ini->GetString(section(), IniKeys::State, defaultText(IniKeys::State));
}

QString UpdatePackageState::package() const
{
    return m_ini->GetString(section(), IniKeys::Package, defaultText(IniKeys::Package));
}

QString UpdatePackageState::checksum() const
{
    return m_ini->GetString(section(), IniKeys::Checksum, defaultText(IniKeys::Checksum));
}

bool UpdatePackageState::updateRequired() const
{
    return m_ini->GetBoolean(section(), IniKeys::UpdateRequired, defaultBoolean(IniKeys::UpdateRequired));
}

bool UpdatePackageState::rollbackPossible() const
{
    return m_ini->GetBoolean(section(), IniKeys::RollbackPossible, defaultBoolean(IniKeys::RollbackPossible));
}

void UpdatePackageState::setPending(const QString& package, const QString& checksum)
{
    m_ini->WriteString(section(), IniKeys::Package, package, defaultText(IniKeys::Package));
    m_ini->WriteString(section(), IniKeys::Checksum, checksum, defaultText(IniKeys::Checksum));
    m_ini->WriteBoolean(section(), IniKeys::UpdateRequired, true, defaultBoolean(IniKeys::UpdateRequired));
    moveTo(kPending);
}

void UpdatePackageState::setFailed()
{
    m_ini->WriteBoolean(section(), IniKeys::UpdateRequired, false, defaultBoolean(IniKeys::UpdateRequired));
    moveTo(kFailed);
}

void UpdatePackageState::setInstalled(const QString& package)
{
    m_ini->WriteString(section(), IniKeys::Package, package, defaultText(IniKeys::Package));
    m_ini->WriteBoolean(section(), IniKeys::UpdateRequired, false, defaultBoolean(IniKeys::UpdateRequired));
    m_ini->WriteBoolean(section(), IniKeys::RollbackPossible, true, defaultBoolean(IniKeys::RollbackPossible));
    moveTo(kInstalled);
}

void UpdatePackageState::setRolledBack()
{
    m_ini->WriteBoolean(section(), IniKeys::RollbackPossible, false, defaultBoolean(IniKeys::RollbackPossible));
    moveTo(kRolledBack);
}

void UpdatePackageState::moveTo(const QString& newState)
{
    m_ini->WriteString(section(), IniKeys::PrevState, state(), defaultText(IniKeys::PrevState));
    m_ini->WriteString(section(), IniKeys::State, newState, defaultText(IniKeys::State));
    m_ini->WriteDate(section(), IniKeys::Timestamp, DateValue::now());
}

QString UpdatePackageState::downloadFolder() const
{
    return IniLocation::iniGetPath(m_ini.get(), IniKeys::DownloadPath);
}

QString UpdatePackageState::applicationFolder() const
{
    return IniLocation::iniGetPath(m_ini.get(), IniKeys::AppPath);
}

QString UpdatePackageState::backupFolder() const
{
    return IniLocation::iniGetPath(m_ini.get(), IniKeys::BackupPath);
}
