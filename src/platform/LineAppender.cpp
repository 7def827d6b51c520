#include "platform/LineAppender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool LineAppender::append(const QString& fileName, const QString& line)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    const QByteArray bytes = (line + u'\n').toUtf8();
    return file.write(bytes) == bytes.size();
}
