#include "config/PrinterDeviceRule.h"

#include <QFile>
#include <QUrl>
#include <sys/stat.h>

namespace {

bool isTcpAddress(const QString& device)
{
    const QUrl url(device, QUrl::StrictMode);
    return url.isValid() && url.scheme() == QStringLiteral("tcp") && !url.host().isEmpty() && url.path().isEmpty()
        && url.userInfo().isEmpty() && !url.hasQuery() && !url.hasFragment()
        && (url.port() == -1 || (url.port() > 0 && url.port() < 65536));
}

bool isCharacterDevice(const QString& device)
{
    struct stat status {};
    return !device.isEmpty() && ::stat(QFile::encodeName(device).constData(), &status) == 0 && S_ISCHR(status.st_mode);
}

} // namespace

QString PrinterDeviceRule::refusal(const QString& printerType, const QString& device)
{
    if (printerType.compare(kEscPosType, Qt::CaseInsensitive) != 0)
        return {};
    if (device.startsWith(QStringLiteral("tcp:"), Qt::CaseInsensitive) ? isTcpAddress(device) : isCharacterDevice(device))
        return {};
    return QStringLiteral("printer_device must be tcp://HOST[:PORT] or a character device for printer_type escpos, "
                          "not \"%1\"")
        .arg(device);
}
