#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Finds the main INI file. pcQUIBA and the programs beside it that must read the same file (the
// fleet agent) find it here, so that they never disagree.
class IniFinder {
public:
    static inline const QString kFileName = QStringLiteral("pcQUIBA.ini");
    // The registry key and value that may name the INI file.
    static inline const QString kRegistryKey = QStringLiteral("Software\\QUIBA\\pcQUIBA");
    static inline const QString kRegistryValue = QStringLiteral("INI Path");

    // The file named by the registry value "INI Path" when that file exists; else pcQUIBA.ini
    // in the first of the folders that holds one; else pcQUIBA.ini in the config folder.
    // Never fails.
    static QString fileName(const QStringList& folders);
    // The program root's config folder, the program root, the executable's folder, /etc.
    static QStringList searchFolders(const QString& executableFolder);

    // folder + "/" + name, without doubling a separator; the name alone without a folder.
    static QString joinPath(const QString& folder, const QString& name);

private:
    static std::optional<QString> registeredFileName();
};
