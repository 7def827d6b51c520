#include "platform/ProfileFile.h"

namespace {

bool isBlank(QChar character)
{
    return character == u' ' || character == u'\t';
}

qsizetype skipBlanks(const QString& text, qsizetype from)
{
    while (from < text.size() && isBlank(text.at(from)))
        ++from;
    return from;
}

// The text between from and to with blanks and tabs at both ends removed.
QString trimmedSlice(const QString& text, qsizetype from, qsizetype to)
{
    from = skipBlanks(text, from);
    while (to > from && isBlank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

struct LineKind {
    enum Kind { Other, Header, Key } kind = Other;
    QString name;
    QString value;
};

// What one line is: "[name]" (anything after the "]" ignored), "name=value", or anything else
// (comments, blank lines, lines without "=", an unclosed "[").
LineKind classify(const QString& text)
{
    const qsizetype start = skipBlanks(text, 0);
    if (start == text.size() || text.at(start) == u';')
        return {};
    if (text.at(start) == u'[') {
        const qsizetype close = text.indexOf(u']', start + 1);
        if (close < 0)
            return {};
        return {LineKind::Header, trimmedSlice(text, start + 1, close), {}};
    }
    const qsizetype equals = text.indexOf(u'=', start);
    if (equals < 0)
        return {};
    QString name = trimmedSlice(text, start, equals);
    if (name.isEmpty())
        return {};
    return {LineKind::Key, std::move(name), trimmedSlice(text, equals + 1, text.size())};
}

// Blank lines and comments after a section's last entry part it from the next section, and
// a comment there usually speaks of the next one.
bool isGapLine(const QString& text)
{
    const qsizetype start = skipBlanks(text, 0);
    return start == text.size() || text.at(start) == u';';
}

// The first occurrence of a name wins.
void insertFirst(QHash<QString, qsizetype>& index, const QString& name, qsizetype position)
{
    if (!index.contains(name))
        index.insert(name, position);
}

bool isBlankLine(const QString& text)
{
    return skipBlanks(text, 0) == text.size();
}

} // namespace

QString ProfileFile::trimmed(const QString& name)
{
    return trimmedSlice(name, 0, name.size());
}

QString ProfileFile::fold(const QString& name)
{
    return name.toCaseFolded();
}

ProfileFile ProfileFile::parse(const QString& text)
{
    ProfileFile file;
    qsizetype start = 0;
    bool newlineSeen = false;
    while (start < text.size()) {
        const qsizetype lineFeed = text.indexOf(u'\n', start);
        if (lineFeed < 0) {
            file.m_lines.append({text.mid(start), {}});
            break;
        }
        const bool crlf = lineFeed > start && text.at(lineFeed - 1) == u'\r';
        const qsizetype end = crlf ? lineFeed - 1 : lineFeed;
        file.m_lines.append({text.mid(start, end - start), crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        if (!newlineSeen) {
            file.m_newline = file.m_lines.last().ending;
            newlineSeen = true;
        }
        start = lineFeed + 1;
    }
    file.reindex();
    return file;
}

QString ProfileFile::toText() const
{
    QString text;
    qsizetype size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.ending.size();
    text.reserve(size);
    for (const Line& line : m_lines) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

void ProfileFile::reindex()
{
    m_sections.clear();
    m_sectionIndex.clear();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        LineKind kind = classify(m_lines.at(i).text);
        if (kind.kind == LineKind::Header) {
            if (!m_sections.isEmpty())
                m_sections.last().end = i;
            insertFirst(m_sectionIndex, fold(kind.name), m_sections.size());
            m_sections.append({std::move(kind.name), i, m_lines.size(), {}, {}});
        } else if (kind.kind == LineKind::Key && !m_sections.isEmpty()) {
            Section& section = m_sections.last();
            insertFirst(section.keyIndex, fold(kind.name), section.keys.size());
            section.keys.append({std::move(kind.name), std::move(kind.value), i});
        }
    }
}

const ProfileFile::Section* ProfileFile::findSection(const QString& section) const
{
    const auto found = m_sectionIndex.constFind(fold(section));
    return found == m_sectionIndex.cend() ? nullptr : &m_sections.at(*found);
}

const ProfileFile::Key* ProfileFile::findKey(const Section& section, const QString& key) const
{
    const auto found = section.keyIndex.constFind(fold(key));
    return found == section.keyIndex.cend() ? nullptr : &section.keys.at(*found);
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const
{
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const Key* entry = findKey(*found, key);
    if (!entry)
        return std::nullopt;
    return entry->value;
}

QStringList ProfileFile::entries(const QString& section) const
{
    QStringList result;
    if (const Section* found = findSection(section)) {
        result.reserve(found->keys.size());
        for (const Key& key : found->keys)
            result.append(key.name + u'=' + key.value);
    }
    return result;
}

bool ProfileFile::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

QStringList ProfileFile::sectionNames() const
{
    QStringList names;
    names.reserve(m_sections.size());
    for (const Section& section : m_sections)
        names.append(section.name);
    return names;
}

qsizetype ProfileFile::contentEnd(const Section& section) const
{
    qsizetype end = section.end;
    while (end > section.header + 1 && isGapLine(m_lines.at(end - 1).text))
        --end;
    return end;
}

qsizetype ProfileFile::insertionLine(const Section& section)
{
    return section.keys.isEmpty() ? section.header : section.keys.last().line;
}

void ProfileFile::insertLines(qsizetype position, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    if (position > 0 && m_lines.at(position - 1).ending.isEmpty())
        m_lines[position - 1].ending = m_newline;
    QList<Line> inserted;
    inserted.reserve(texts.size());
    for (const QString& text : texts)
        inserted.append({text, m_newline});
    m_lines.insert(position, inserted.size(), Line{});
    std::move(inserted.begin(), inserted.end(), m_lines.begin() + position);
}

void ProfileFile::removeLines(qsizetype first, qsizetype count)
{
    m_lines.remove(first, count);
}

void ProfileFile::appendSection(const QString& section, const QStringList& lines)
{
    QStringList texts;
    if (!m_lines.isEmpty() && !isBlankLine(m_lines.last().text))
        texts.append(QString());
    texts.append(u'[' + section + u']');
    texts.append(lines);
    insertLines(m_lines.size(), texts);
}

void ProfileFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const Section* found = findSection(section);
    if (!found) {
        appendSection(section, {key + u'=' + value});
    } else if (const Key* entry = findKey(*found, key)) {
        // Keep the line's own spelling of the name and its blanks up to the value.
        QString& text = m_lines[entry->line].text;
        const qsizetype valueStart = skipBlanks(text, text.indexOf(u'=') + 1);
        text = text.left(valueStart) + value;
    } else {
        insertLines(insertionLine(*found) + 1, {key + u'=' + value});
    }
    reindex();
}

void ProfileFile::removeKey(const QString& section, const QString& key)
{
    const Section* found = findSection(section);
    if (!found)
        return;
    const QString folded = fold(key);
    QList<qsizetype> lines;
    for (const Key& entry : found->keys) {
        if (fold(entry.name) == folded)
            lines.append(entry.line);
    }
    if (lines.isEmpty())
        return;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        removeLines(*line, 1);
    reindex();
}

void ProfileFile::removeSection(const QString& section)
{
    const QString folded = fold(section);
    bool removed = false;
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i) {
        const Section& candidate = m_sections.at(i);
        if (fold(candidate.name) == folded) {
            removeLines(candidate.header, contentEnd(candidate) - candidate.header);
            removed = true;
        }
    }
    if (removed)
        reindex();
}

void ProfileFile::replaceSection(const QString& section, const QStringList& lines)
{
    const Section* found = findSection(section);
    if (!found) {
        appendSection(section, lines);
    } else {
        const qsizetype header = found->header;
        removeLines(header + 1, contentEnd(*found) - header - 1);
        insertLines(header + 1, lines);
    }
    reindex();
}
