#include "platform/SystemNames.h"

#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

QString SystemNames::computerName()
{
    return QSysInfo::machineHostName();
}

QString SystemNames::userName()
{
    if (const passwd* account = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(account->pw_name);
    return qEnvironmentVariable("USER");
}
