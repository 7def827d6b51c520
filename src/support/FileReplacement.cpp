#include "support/FileReplacement.h"

#include "support/FileBytes.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString besideAsHidden(const QString& path, const QString& suffix)
{
    const QFileInfo file(path);
    return file.path() + u"/."_s + file.fileName() + suffix;
}

bool sameFile(const QString& a, const QString& b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

QString FileReplacement::partialName(const QString& target)
{
    return besideAsHidden(target, u".partial"_s);
}

QString FileReplacement::markName(const QString& target)
{
    return besideAsHidden(target, u".replacing"_s);
}

void FileReplacement::replace(const QString& source, const QString& target, const QByteArray& bytes)
{
    const QString partial = partialName(target);
    try {
        FileBytes::writeDurably(partial, bytes);
        if (sameFile(source, target)) {
            FileBytes::rename(partial, target);
            return;
        }
        FileBytes::writeDurably(markName(target), {});
        FileBytes::rename(partial, target);
    } catch (...) {
        // Undecided or refused: the source stays as it was.
        QFile::remove(markName(target));
        QFile::remove(partial);
        throw;
    }
    finish(target, {source, target});
}

void FileReplacement::recover(const QStringList& names)
{
    for (const QString& name : names) {
        if (QFileInfo::exists(markName(name))) {
            if (QFileInfo::exists(partialName(name)))
                FileBytes::rename(partialName(name), name);
            // Without the new content in place, the others are all there is.
            if (QFileInfo::exists(name))
                finish(name, names);
            else
                FileBytes::remove(markName(name));
        } else {
            // An unfinished write changes nothing the caller reads: clearing it may fail quietly.
            QFile::remove(partialName(name));
        }
    }
}

// The content is in place under target: the other names go, then the mark.
void FileReplacement::finish(const QString& target, const QStringList& names)
{
    for (const QString& name : names) {
        if (!sameFile(name, target))
            FileBytes::removeIfPresent(name);
    }
    FileBytes::remove(markName(target));
}
