#pragma once

#include "config/IniFinder.h"

#include <QString>
#include <QStringList>

class clsINIFile;

// Where the INI file lives and where the paths of its FILES section point.
class IniLocation {
public:
    static constexpr const QString& kFileName = IniFinder::kFileName;

    // The file IniFinder finds in searchFolders(). Never fails.
    static QString iniFileName();
    // The program root's config folder, the program root, the machine's executable folder, /etc.
    static QStringList searchFolders();

    // The resolved path of a FILES key. Without an accessor, the key's default as text.
    // Relative values are joined to the base folder B (the INI file's folder, or its parent
    // when that folder's name ends in "config"), to the INI file's folder, or to another
    // resolved FILES path, as the key's rule says; absolute values are returned as read.
    static QString iniGetPath(const clsINIFile* ini, const QString& key);

    // folder + "/" + name, without doubling a separator; the name alone without a folder.
    static QString joinPath(const QString& folder, const QString& name);

private:
    static QString resolvePath(const clsINIFile& ini, const QString& key);
    static QString baseFolder(const QString& iniFolder);
};
