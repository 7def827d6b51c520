#include "platform/ProgramFolders.h"

#include <QDir>

QString ProgramFolders::root()
{
    const QString fromEnvironment = qEnvironmentVariable("PCQUIBA_ROOT");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    return QDir::homePath() + QStringLiteral("/.local/share/quiba");
}

QString ProgramFolders::config()
{
    return root() + QStringLiteral("/config");
}

QString ProgramFolders::data()
{
    return root() + QStringLiteral("/data");
}

QString ProgramFolders::logs()
{
    return root() + QStringLiteral("/logs");
}

QString ProgramFolders::manifest()
{
    return root() + QStringLiteral("/manifest");
}

QString ProgramFolders::system()
{
    return QStringLiteral("/etc");
}
