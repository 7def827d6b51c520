#pragma once

#include <QString>
#include <QStringList>

// The argument vector of the installer program, each switch one argument of its own:
//
//     pcquiba-installer /i[=PACKAGE] [/x=PROGRAM [ARGUMENT...]]
//
// "/i" installs the named package (none: the one the update steps prepared); "/x" names the
// program to start afterwards, and every argument after it is that program's. "-" may stand
// for "/"; a package written in double quotes with inner quotes doubled is taken unquoted.
class PackageInstallerCommandLine {
public:
    static PackageInstallerCommandLine parse(const QStringList& arguments);

    bool install = false;
    QString package;
    QString restartProgram;
    QStringList restartArguments;
    // Empty when the arguments are understood.
    QString error;

private:
    static QString unquoted(const QString& value);
};
