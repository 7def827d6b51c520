#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class clsINIFile;

// Where the INI file lives and where the paths of its FILES section point.
class IniLocation {
public:
    static inline const QString kFileName = QStringLiteral("pcQUIBA.ini");
    // The registry key and value that may name the INI file.
    static inline const QString kRegistryKey = QStringLiteral("Software\\QUIBA\\pcQUIBA");
    static inline const QString kRegistryValue = QStringLiteral("INI Path");

    // The file named by the registry value "INI Path" when that file exists; else pcQUIBA.ini
    // in the first of searchFolders() that holds one; else pcQUIBA.ini in the config folder.
    // Never fails.
    static QString iniFileName();
    // The program root's config folder, the program root, the executable's folder, /etc.
    static QStringList searchFolders();

    // The resolved path of a FILES key. Without an accessor, the key's default as text.
    // Relative values are joined to the base folder B (the INI file's folder, or its parent
    // when that folder's name ends in "config"), to the INI file's folder, or to another
    // resolved FILES path, as the key's rule says; absolute values are returned as read.
    static QString iniGetPath(const clsINIFile* ini, const QString& key);

    // folder + "/" + name, without doubling a separator; the name alone without a folder.
    static QString joinPath(const QString& folder, const QString& name);

private:
    static std::optional<QString> registeredFileName();
    static QString resolvePath(const clsINIFile& ini, const QString& key);
    static QString baseFolder(const QString& iniFolder);
};
