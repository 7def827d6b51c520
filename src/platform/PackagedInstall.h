#pragma once

#include <QString>

// Whether the running program was installed by its Debian package. The package alone carries
// the mark share/pcquiba/packaged under the application folder (the parent of the executable's
// folder), so an unpacked package is one too, and a `cmake --install` or a build tree is not.
// Its files are then the package manager's.
class PackagedInstall {
public:
    static QString markFile();
    static bool isPackaged(const QString& markFile = PackagedInstall::markFile());
};
