#include "SimulatedRoot.h"

#include "config/clsINIFile.h"

#include <QDir>
#include <QFile>

SimulatedRoot::SimulatedRoot()
    : m_previousRoot(qgetenv("PCQUIBA_ROOT"))
{
    qputenv("PCQUIBA_ROOT", m_folder.path().toLocal8Bit());
    QDir().mkpath(path(QStringLiteral("config")));
    QDir().mkpath(path(QStringLiteral("manifest")));
    set(QStringLiteral("API"), QStringLiteral("max_basket_items"), QStringLiteral("5"));
    set(QStringLiteral("API"), QStringLiteral("max_basket_value"), QStringLiteral("500"));
    set(QStringLiteral("SIMULATOR"), QStringLiteral("host_delay_ms"), QStringLiteral("0"));
    QFile::copy(QStringLiteral(PCQUIBA_SOURCE_DIR "/data/manifest/otc.xml"), catalogueFile());
}

SimulatedRoot::~SimulatedRoot()
{
    qputenv("PCQUIBA_ROOT", m_previousRoot);
}

QString SimulatedRoot::path(const QString& relative) const
{
    return relative.isEmpty() ? m_folder.path() : m_folder.filePath(relative);
}

void SimulatedRoot::set(const QString& section, const QString& key, const QString& value) const
{
    clsINIFile ini;
    ini.setFileName(iniFile());
    ini.WriteString(section, key, value);
}

void SimulatedRoot::writeCatalogue(const QByteArray& text) const
{
    QFile file(catalogueFile());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
}
