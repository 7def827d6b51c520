#include "platform/LineAppender.h"

#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case u'\u0085':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

} // namespace

QString LineAppender::oneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isLineBreak(c)) {
            line += c;
            continue;
        }
        line += QChar(kBreakMark);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    return line;
}

bool LineAppender::append(const QString& fileName, const QString& line)
{
    PrivateFiles::makeFolder(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, PrivateFiles::kFilePermissions))
        return false;
    const QByteArray bytes = (oneLine(line) + u'\n').toUtf8();
    return file.write(bytes) == bytes.size();
}
