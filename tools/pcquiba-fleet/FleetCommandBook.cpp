#include "FleetCommandBook.h"

#include "FleetTopics.h"
#include "config/clsINIFile.h"
#include "platform/Dictionary.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString kCommandsSection = QStringLiteral("COMMANDS");

} // namespace

FleetCommandBook::FleetCommandBook(clsINIFile& ini, const QString& markFolder) : m_ini(ini), m_markFolder(markFolder)
{
    QDir().mkpath(m_markFolder);
}

FleetCommandBook::Intake FleetCommandBook::take(const QString& id, const QString& command)
{
    if (m_ini.KeyExists(kCommandsSection, keyFor(id)))
        return Intake::AlreadyKnown;
    if (pendingCount() >= kMaxPending)
        return Intake::Busy;
    // A mark left by an earlier entry of the same id, pruned since, would hide this one's result.
    QFile::remove(QDir(m_markFolder).filePath(id));
    m_ini.WriteString(kCommandsSection, keyFor(id), command);
    return Intake::Written;
}

int FleetCommandBook::pendingCount() const
{
    const QList<Entry> all = entries();
    return int(std::count_if(all.cbegin(), all.cend(), [](const Entry& entry) { return entry.status.isEmpty(); }));
}

QList<FleetCommandBook::Finished> FleetCommandBook::unpublished() const
{
    QList<Finished> result;
    for (const Entry& entry : entries()) {
        if (!entry.status.isEmpty() && !isMarked(entry.id))
            result.append({entry.id, entry.status, entry.when});
    }
    return result;
}

bool FleetCommandBook::finished(const QString& id, Finished& result) const
{
    const Entry entry = parse(id, m_ini.GetString(kCommandsSection, keyFor(id)));
    if (entry.status.isEmpty())
        return false;
    result = {entry.id, entry.status, entry.when};
    return true;
}

void FleetCommandBook::markPublished(const QString& id)
{
    QFile mark(QDir(m_markFolder).filePath(id));
    mark.open(QIODevice::WriteOnly);
}

void FleetCommandBook::dropStaleMarks()
{
    const QList<Entry> all = entries();
    QSet<QString> present;
    for (const Entry& entry : all)
        present.insert(entry.id);
    QDir folder(m_markFolder);
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (!present.contains(name))
            folder.remove(name);
    }
}

bool FleetCommandBook::isMarked(const QString& id) const
{
    return QFile::exists(QDir(m_markFolder).filePath(id));
}

// Each entry is read by its key: the section read may cut its last piece.
QList<FleetCommandBook::Entry> FleetCommandBook::entries() const
{
    QList<Entry> result;
    const auto section = m_ini.GetSection(kCommandsSection);
    for (const QString& key : section->keys()) {
        if (!key.startsWith(kKeyPrefix, Qt::CaseInsensitive))
            continue;
        const QString id = key.mid(kKeyPrefix.size()).toLower();
        if (FleetTopics::isValidCommandId(id))
            result.append(parse(id, m_ini.GetString(kCommandsSection, key)));
    }
    return result;
}

// A pending entry is the bare command or "@TIME||COMMAND"; a finished one "@TIME|STATUS|COMMAND".
FleetCommandBook::Entry FleetCommandBook::parse(const QString& id, const QString& value)
{
    static const QRegularExpression kept(QStringLiteral("^@(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)\\|([^|]*)\\|"));
    Entry entry{id, {}, {}};
    const auto match = kept.match(value);
    if (!match.hasMatch())
        return entry;
    entry.status = match.captured(2);
    const QDateTime when = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    entry.when = when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate);
    return entry;
}
