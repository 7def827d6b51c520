#include "platform/PrivateProfile.h"

#include "platform/Ansi.h"
#include "platform/Blanks.h"
#include "platform/ProfileCache.h"
#include "platform/ProgramFolders.h"

#include <QFileInfo>
#include <QSaveFile>
#include <functional>

namespace {

// What the C functions see of a text: everything before the first NUL.
QString cutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// A written value or line never starts a line of its own.
QString singleLine(const QString& text)
{
    QString line = cutAtNul(text);
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

QString trimmedName(const QString& name)
{
    return ProfileFile::trimmed(singleLine(name));
}

QString withoutEnclosingQuotes(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QString fitted(const QString& text, int room)
{
    return text.size() > room ? text.left(qMax(room, 0)) : text;
}

// The lines of a NUL-separated block, up to the empty entry that ends it.
QStringList blockLines(const QString& block)
{
    QStringList lines;
    for (const QString& entry : block.split(QChar(u'\0'))) {
        if (entry.isEmpty())
            break;
        lines.append(singleLine(entry));
    }
    return lines;
}

std::shared_ptr<const ProfileFile> readable(const QString& fileName)
{
    std::shared_ptr<const ProfileFile> file = ProfileCache::load(fileName);
    return file ? file : std::make_shared<const ProfileFile>();
}

// The file a write replaces: the target of a symbolic link, so that the link stays.
QString writeTarget(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
}

bool mayReplace(const QString& fileName)
{
    const QFileInfo info(fileName);
    return !info.exists() || (info.isFile() && info.isWritable());
}

// Reads the file, applies the edit and replaces the file with the result; false, with nothing
// changed, when the file cannot be read or replaced.
bool edit(const QString& fileName, const std::function<void(ProfileFile&)>& change)
{
    const QString target = writeTarget(fileName);
    if (target.isEmpty() || !mayReplace(target))
        return false;
    const std::shared_ptr<const ProfileFile> current = ProfileCache::load(target);
    if (!current)
        return false;
    auto edited = std::make_shared<ProfileFile>(*current);
    change(*edited);
    const QString text = edited->toText();
    if (text == current->toText())
        return true;
    const QByteArray bytes = Ansi::fromUnicode(text);
    // Unbuffered, so that a failing write (full disk, size limit) is seen before the commit:
    // a failure while QSaveFile flushes its buffer would not stop the rename.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()
        || !file.commit()) {
        file.cancelWriting();
        ProfileCache::forget(target);
        return false;
    }
    ProfileCache::update(target, bytes, std::move(edited));
    return true;
}

} // namespace

QString PrivateProfile::getPrivateProfileString(const QString& section, const QString& key,
                                                const QString& defaultValue, int bufferSize, const QString& fileName)
{
    const std::optional<QString> value = readable(fileName)->value(trimmedName(section), trimmedName(key));
    return fitted(value ? withoutEnclosingQuotes(*value) : Blanks::trimRight(cutAtNul(defaultValue)),
                  bufferSize - 1);
}

QString PrivateProfile::getPrivateProfileSection(const QString& section, int bufferSize, const QString& fileName)
{
    QString block;
    for (const QString& entry : readable(fileName)->entries(trimmedName(section))) {
        block += entry;
        block += QChar(u'\0');
    }
    // The block and its closing NUL must fit; otherwise two NULs end what does.
    return block.size() > bufferSize - 1 ? fitted(block, bufferSize - 2) : block;
}

bool PrivateProfile::writePrivateProfileString(const QString& section, const QString& key,
                                               const std::optional<QString>& value, const QString& fileName)
{
    const QString sectionName = trimmedName(section);
    const QString keyName = trimmedName(key);
    if (keyName.isEmpty())
        return false;
    return edit(fileName, [&](ProfileFile& file) {
        if (value)
            file.setValue(sectionName, keyName, singleLine(*value));
        else
            file.removeKey(sectionName, keyName);
    });
}

bool PrivateProfile::writePrivateProfileSection(const QString& section, const std::optional<QString>& block,
                                                const QString& fileName)
{
    const QString sectionName = trimmedName(section);
    return edit(fileName, [&](ProfileFile& file) {
        if (block)
            file.replaceSection(sectionName, blockLines(*block));
        else
            file.removeSection(sectionName);
    });
}

QString PrivateProfile::getProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                         int bufferSize)
{
    return getPrivateProfileString(section, key, defaultValue, bufferSize, userProfilePath());
}

QString PrivateProfile::getProfileSection(const QString& section, int bufferSize)
{
    return getPrivateProfileSection(section, bufferSize, userProfilePath());
}

bool PrivateProfile::writeProfileString(const QString& section, const QString& key, const std::optional<QString>& value)
{
    return writePrivateProfileString(section, key, value, userProfilePath());
}

bool PrivateProfile::writeProfileSection(const QString& section, const std::optional<QString>& block)
{
    return writePrivateProfileSection(section, block, userProfilePath());
}

QString PrivateProfile::userProfilePath()
{
    return ProgramFolders::root() + QStringLiteral("/win.ini");
}
