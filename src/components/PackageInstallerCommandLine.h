#pragma once

#include <QString>
#include <QStringList>

// The argument vector of the installer program, each switch one argument of its own:
//
//     pcquiba-installer /i[=PACKAGE] | /r[=PACKAGE]  [/p=PID]  [/x=PROGRAM [ARGUMENT...]]
//
// "/i" installs the named package (none: the one the update steps prepared); "/r" rolls the
// named package back (none: the newest install); "/p" is the process id of the pcQUIBA that
// handed over, waited for until it has ended; "/x" names the program to start afterwards, and
// every argument after it is that program's. "-" may stand for "/"; a package written in double
// quotes with inner quotes doubled is taken unquoted.
class PackageInstallerCommandLine {
public:
    static inline const QString kUsage = QStringLiteral(
        "Usage: pcquiba-installer /i[=PACKAGE] | /r[=PACKAGE] [/p=PID] [/x=PROGRAM [ARGUMENT...]]");

    static PackageInstallerCommandLine parse(const QStringList& arguments);

    // "--help" or "--version" as the one and only argument: answered, nothing installed.
    bool help = false;
    bool version = false;
    bool install = false;
    bool rollback = false;
    QString package;
    // 0 when no process is named.
    qint64 processId = 0;
    QString restartProgram;
    QStringList restartArguments;
    // Empty when the arguments are understood.
    QString error;

private:
    // Reads one switch; false when it is not understood.
    bool take(QChar letter, const QString& value);
    static QString unquoted(const QString& value);
};
