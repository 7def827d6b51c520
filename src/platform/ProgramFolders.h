#pragma once

#include <QString>

// The program's fixed folders. The root stands for the original's "c:\quiba": $PCQUIBA_ROOT
// when set, else ~/.local/share/quiba. Paths are returned without a trailing separator and are
// not created here.
class ProgramFolders {
public:
    static QString root();
    static QString config();
    static QString data();
    static QString logs();
    static QString manifest();
    // Where the original looked for the Windows folder's INI files: /etc.
    static QString system();
};
