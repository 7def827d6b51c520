#pragma once

#include <QString>

// What the runtime knows of the running program: its name as the Sovereign sees it in error
// sources and log names, and the folder of the executable.
class ExecutableInfo {
public:
    // "pcQUIBA": the program's name, independent of the file name it was started under.
    static QString name();

    // The folder that holds the running executable; the working folder before Qt is up.
    static QString folder();

    // The program's version as major, minor and revision.
    static int majorVersion();
    static int minorVersion();
    static int revision();
    // "VB." + major + "." + minor + "." + revision, each part at least two digits.
    static QString versionString(int major, int minor, int revision);
    static QString versionString();
};
