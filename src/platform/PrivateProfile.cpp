#include "platform/PrivateProfile.h"

#include "platform/Blanks.h"
#include "platform/FileReplacer.h"
#include "platform/ProfileCache.h"
#include "platform/ProgramFolders.h"

#include <cerrno>
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

// Under the writers' lock: reads the file as it is now, applies the edit (which answers whether
// it changed anything) and replaces the file with the result; false, with nothing changed, when
// the file cannot be read or replaced.
thread_local int t_lastWriteError = 0;

bool writeFailed(int systemError)
{
    t_lastWriteError = systemError;
    return false;
}

bool edit(const QString& fileName, const std::function<bool(ProfileFile&)>& change)
{
    t_lastWriteError = 0;
    if (fileName.isEmpty())
        return false;
    FileReplacer replacer(fileName);
    if (!replacer.isLocked())
        return writeFailed(replacer.error());
    if (const int refused = replacer.refusal())
        return writeFailed(refused);
    const QString& target = replacer.fileName();
    errno = 0;
    std::shared_ptr<const ProfileFile> current = ProfileCache::load(target);
    if (!current)
        return writeFailed(errno != 0 ? errno : EIO);
    auto edited = std::make_shared<ProfileFile>(*current);
    // The edit must not copy a large file's lines: the copy is their only holder once the cache
    // lets go of the file (it holds the edited file after the write).
    current.reset();
    ProfileCache::forget(target);
    const bool changed = change(*edited);
    const QByteArray bytes = edited->toBytes();
    if (!changed) {
        ProfileCache::update(target, bytes, std::move(edited));
        return true;
    }
    if (!replacer.replace(bytes)) {
        ProfileCache::forget(target);
        return writeFailed(replacer.error());
    }
    ProfileCache::update(target, bytes, std::move(edited));
    return true;
}

} // namespace

QString PrivateProfile::getPrivateProfileString(const QString& section, const QString& key,
                                                const QString& defaultValue, int bufferSize, const QString& fileName)
{
    const std::shared_ptr<const ProfileFile> file = readable(fileName);
    const ProfileEncoding& encoding = file->encoding();
    const std::optional<QString> value
        = file->value(encoding.stored(trimmedName(section)), encoding.stored(trimmedName(key)));
    return fitted(value ? withoutEnclosingQuotes(*value) : Blanks::trimRight(cutAtNul(defaultValue)),
                  bufferSize - 1);
}

QString PrivateProfile::getPrivateProfileSection(const QString& section, int bufferSize, const QString& fileName)
{
    const std::shared_ptr<const ProfileFile> file = readable(fileName);
    const QStringList entries = file->entries(file->encoding().stored(trimmedName(section)));
    qsizetype size = 0;
    for (const QString& entry : entries)
        size += entry.size() + 1;
    QString block;
    block.reserve(size);
    for (const QString& entry : entries) {
        block += entry;
        block += QChar(u'\0');
    }
    // The block and its closing NUL must fit; otherwise two NULs end what does.
    return block.size() > bufferSize - 1 ? fitted(block, bufferSize - 2) : block;
}

bool PrivateProfile::writePrivateProfileString(const QString& section, const QString& key,
                                               const std::optional<QString>& value, const QString& fileName)
{
    if (key.isEmpty())
        return writeFailed(0);
    return writePrivateProfile({{section, key, value}}, fileName);
}

bool PrivateProfile::writePrivateProfileSection(const QString& section, const std::optional<QString>& block,
                                                const QString& fileName)
{
    return writePrivateProfile({{section, QString(), block}}, fileName);
}

bool PrivateProfile::writePrivateProfile(const QList<Write>& writes, const QString& fileName)
{
    for (const Write& write : writes)
        if (trimmedName(write.section).isEmpty() || (!write.key.isEmpty() && trimmedName(write.key).isEmpty()))
            return writeFailed(0);
    return edit(fileName, [&](ProfileFile& file) {
        // As the file will hold them, so that this process reads back what every other one reads.
        const ProfileEncoding& encoding = file.encoding();
        bool changed = false;
        for (const Write& write : writes) {
            const QString sectionName = encoding.stored(trimmedName(write.section));
            if (write.key.isEmpty())
                changed |= write.value ? file.replaceSection(sectionName, blockLines(encoding.stored(*write.value)))
                                       : file.removeSection(sectionName);
            else if (write.value)
                changed |= file.setValue(sectionName, encoding.stored(trimmedName(write.key)),
                                         encoding.stored(singleLine(*write.value)));
            else
                changed |= file.removeKey(sectionName, encoding.stored(trimmedName(write.key)));
        }
        return changed;
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

int PrivateProfile::lastWriteError()
{
    return t_lastWriteError;
}

QString PrivateProfile::userProfilePath()
{
    return ProgramFolders::root() + QStringLiteral("/win.ini");
}
