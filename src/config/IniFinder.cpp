#include "config/IniFinder.h"

#include "platform/AutomationError.h"
#include "platform/ProgramFolders.h"
#include "platform/RegistryFile.h"
#include "platform/RegistryReader.h"

#include <QFileInfo>

QString IniFinder::fileName(const QStringList& folders)
{
    if (const auto registered = registeredFileName())
        return *registered;
    for (const QString& folder : folders) {
        const QString candidate = joinPath(folder, kFileName);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return joinPath(ProgramFolders::config(), kFileName);
}

QStringList IniFinder::searchFolders(const QString& executableFolder)
{
    return {ProgramFolders::config(), ProgramFolders::root(), executableFolder, ProgramFolders::system()};
}

// The INI file the registry names, when it names an existing one; registry trouble of any
// kind counts as no answer.
std::optional<QString> IniFinder::registeredFileName()
{
    try {
        const Variant value = RegistryReader::readValue(RegistryFile::LocalMachine, kRegistryKey, kRegistryValue);
        const QString path = value.isString() ? value.stringValue() : QString();
        if (!path.isEmpty() && QFileInfo(path).isFile())
            return path;
    } catch (const AutomationError&) {
    }
    return std::nullopt;
}

QString IniFinder::joinPath(const QString& folder, const QString& name)
{
    constexpr QChar separator = u'/';
    if (folder.isEmpty())
        return name;
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}
