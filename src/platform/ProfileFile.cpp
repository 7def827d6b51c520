#include "platform/ProfileFile.h"

#include <algorithm>

namespace {

qsizetype skipSpace(const QString& text, qsizetype from)
{
    while (from < text.size() && ProfileFile::isSpace(text.at(from)))
        ++from;
    return from;
}

// The text between from and to without white space at either end.
QString trimmedSlice(const QString& text, qsizetype from, qsizetype to)
{
    from = skipSpace(text, from);
    while (to > from && ProfileFile::isSpace(text.at(to - 1)))
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
    const qsizetype start = skipSpace(text, 0);
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
    const qsizetype start = skipSpace(text, 0);
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
    return skipSpace(text, 0) == text.size();
}

} // namespace

bool ProfileFile::isSpace(QChar character)
{
    switch (character.unicode()) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\v':
    case u'\f':
        return true;
    default:
        return false;
    }
}

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
    file.m_lines.reserve(text.count(u'\n') + 1);
    const QChar* characters = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    bool newlineSeen = false;
    while (start < size) {
        qsizetype end = start;
        while (end < size && characters[end] != u'\n' && characters[end] != u'\r')
            ++end;
        if (end == size) {
            file.m_lines.append({text.mid(start), {}});
            break;
        }
        const qsizetype endingSize = characters[end] == u'\r' && end + 1 < size && characters[end + 1] == u'\n' ? 2 : 1;
        file.m_lines.append({text.mid(start, end - start), text.mid(end, endingSize)});
        if (!newlineSeen) {
            file.m_newline = file.m_lines.last().ending;
            newlineSeen = true;
        }
        start = end + endingSize;
    }
    file.reindex();
    return file;
}

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes)
{
    const ProfileEncoding encoding = ProfileEncoding::detect(bytes);
    ProfileFile file = parse(encoding.decode(bytes));
    file.m_encoding = encoding;
    const int width = encoding.fixedWidth();
    if (width == 0)
        return file;
    file.m_source = bytes;
    qsizetype offset = encoding.byteOrderMark().size();
    for (Line& line : file.m_lines) {
        line.source = offset;
        offset += width * (line.text.size() + line.ending.size());
    }
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

QByteArray ProfileFile::toBytes() const
{
    const int width = m_encoding.fixedWidth();
    if (width == 0)
        return m_encoding.encode(toText());
    qsizetype size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.ending.size();
    QByteArray bytes = m_encoding.byteOrderMark();
    const qsizetype start = bytes.size();
    bytes.resize(start + width * size);
    char* out = bytes.data() + start;
    // Unchanged lines that follow each other in the source are copied in one piece.
    qsizetype runStart = -1;
    qsizetype runEnd = -1;
    const auto copyRun = [&] {
        if (runStart >= 0)
            out = std::copy(m_source.constData() + runStart, m_source.constData() + runEnd, out);
        runStart = runEnd = -1;
    };
    for (const Line& line : m_lines) {
        const qsizetype lineBytes = width * (line.text.size() + line.ending.size());
        if (line.source >= 0 && line.source == runEnd) {
            runEnd += lineBytes;
            continue;
        }
        copyRun();
        if (line.source >= 0) {
            runStart = line.source;
            runEnd = line.source + lineBytes;
        } else {
            out = m_encoding.write(out, line.text);
            out = m_encoding.write(out, line.ending);
        }
    }
    copyRun();
    return bytes;
}

void ProfileFile::reindex()
{
    m_sections.clear();
    m_sectionIndex.clear();
    indexFrom(0);
}

// Indexes the lines from firstLine on, which follow every line indexed so far.
void ProfileFile::indexFrom(qsizetype firstLine)
{
    for (qsizetype i = firstLine; i < m_lines.size(); ++i) {
        LineKind kind = classify(m_lines.at(i).text);
        if (kind.kind == LineKind::Header) {
            if (!m_sections.isEmpty())
                m_sections.last().end = i;
            insertFirst(m_sectionIndex, fold(kind.name), m_sections.size());
            m_sections.append({std::move(kind.name), i, m_lines.size(), {}, {}});
        } else if (kind.kind == LineKind::Key && !m_sections.isEmpty()) {
            Section& section = m_sections.last();
            insertFirst(section.keyIndex, fold(kind.name), section.keys.size());
            section.keys.append({std::move(kind.name), std::move(kind.value), i - section.header});
        }
    }
    if (!m_sections.isEmpty())
        m_sections.last().end = m_lines.size();
}

qsizetype ProfileFile::sectionIndex(const QString& section) const
{
    return m_sectionIndex.value(fold(section), -1);
}

qsizetype ProfileFile::keyIndex(const Section& section, const QString& key) const
{
    return section.keyIndex.value(fold(key), -1);
}

const ProfileFile::Section* ProfileFile::findSection(const QString& section) const
{
    const qsizetype index = sectionIndex(section);
    return index < 0 ? nullptr : &m_sections.at(index);
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const
{
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    const qsizetype index = keyIndex(*found, key);
    if (index < 0)
        return std::nullopt;
    return found->keys.at(index).value;
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
    return section.header + (section.keys.isEmpty() ? 0 : section.keys.last().offset);
}

void ProfileFile::insertLines(qsizetype position, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    if (position > 0 && m_lines.at(position - 1).ending.isEmpty()) {
        m_lines[position - 1].ending = m_newline;
        m_lines[position - 1].source = -1;
    }
    QList<Line> inserted;
    inserted.reserve(texts.size());
    for (const QString& text : texts)
        inserted.append({text, m_newline, -1});
    m_lines.insert(position, inserted.size(), Line{});
    std::move(inserted.begin(), inserted.end(), m_lines.begin() + position);
}

void ProfileFile::removeLines(qsizetype first, qsizetype count)
{
    m_lines.remove(first, count);
}

void ProfileFile::shiftSections(qsizetype first, qsizetype delta)
{
    for (qsizetype i = first; i < m_sections.size(); ++i) {
        m_sections[i].header += delta;
        m_sections[i].end += delta;
    }
}

void ProfileFile::rebuildKeyIndex(Section& section)
{
    section.keyIndex.clear();
    for (qsizetype i = 0; i < section.keys.size(); ++i)
        insertFirst(section.keyIndex, fold(section.keys.at(i).name), i);
}

void ProfileFile::appendSection(const QString& section, const QStringList& lines)
{
    QStringList texts;
    if (!m_lines.isEmpty() && !isBlankLine(m_lines.last().text))
        texts.append(QString());
    texts.append(u'[' + section + u']');
    texts.append(lines);
    const qsizetype first = m_lines.size();
    insertLines(first, texts);
    indexFrom(first);
}

bool ProfileFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const qsizetype index = sectionIndex(section);
    if (index < 0) {
        appendSection(section, {key + u'=' + value});
        return true;
    }
    const Section& found = m_sections.at(index);
    if (const qsizetype entry = keyIndex(found, key); entry >= 0) {
        // Keep the line's own spelling of the name and its blanks up to the value.
        const qsizetype line = found.header + found.keys.at(entry).offset;
        const QString& text = m_lines.at(line).text;
        const qsizetype valueStart = skipSpace(text, text.indexOf(u'=') + 1);
        QString replaced = text.left(valueStart) + value;
        if (replaced == text)
            return false;
        m_lines[line].text = std::move(replaced);
        m_lines[line].source = -1;
        m_sections[index].keys[entry].value = trimmed(value);
        return true;
    }
    const qsizetype line = insertionLine(found) + 1;
    const QString text = key + u'=' + value;
    insertLines(line, {text});
    LineKind kind = classify(text);
    if (kind.kind != LineKind::Key || fold(kind.name) != fold(key)) {
        // A name the file would read otherwise (a comment, a header, one holding "=").
        reindex();
        return true;
    }
    Section& changed = m_sections[index];
    changed.end += 1;
    insertFirst(changed.keyIndex, fold(kind.name), changed.keys.size());
    changed.keys.append({std::move(kind.name), std::move(kind.value), line - changed.header});
    shiftSections(index + 1, 1);
    return true;
}

bool ProfileFile::removeKey(const QString& section, const QString& key)
{
    const qsizetype index = sectionIndex(section);
    if (index < 0)
        return false;
    Section& found = m_sections[index];
    const QString folded = fold(key);
    QList<Key> kept;
    qsizetype removed = 0;
    for (const Key& entry : std::as_const(found.keys)) {
        if (fold(entry.name) == folded) {
            removeLines(found.header + entry.offset - removed, 1);
            ++removed;
        } else {
            kept.append({entry.name, entry.value, entry.offset - removed});
        }
    }
    if (removed == 0)
        return false;
    found.keys = std::move(kept);
    found.end -= removed;
    rebuildKeyIndex(found);
    shiftSections(index + 1, -removed);
    return true;
}

bool ProfileFile::removeSection(const QString& section)
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
    return removed;
}

bool ProfileFile::replaceSection(const QString& section, const QStringList& lines)
{
    const Section* found = findSection(section);
    if (!found) {
        appendSection(section, lines);
        return true;
    }
    const qsizetype header = found->header;
    const qsizetype count = contentEnd(*found) - header - 1;
    bool same = count == lines.size();
    for (qsizetype i = 0; same && i < count; ++i)
        same = m_lines.at(header + 1 + i).text == lines.at(i) && !m_lines.at(header + 1 + i).ending.isEmpty();
    if (same)
        return false;
    removeLines(header + 1, count);
    insertLines(header + 1, lines);
    reindex();
    return true;
}
