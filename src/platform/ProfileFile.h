#pragma once

#include "platform/ProfileEncoding.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One profile (INI) file as its text lines, indexed the way the Windows profile functions look
// things up: section and key names without regard to case, white space around names and
// around "=" ignored, ";" lines are comments, the first of duplicate sections and keys wins, and
// lines before the first section header belong to no section. Every edit touches only the lines
// it concerns; all other lines, comments, blank lines and line ends stay as they are. An edit of
// one key costs a copy of the lines, not a new parse, so writes into large files stay cheap.
class ProfileFile {
public:
    ProfileFile() = default;

    // The text of a whole file (already decoded); CRLF, LF and a lone CR all end a line.
    static ProfileFile parse(const QString& text);
    // The file's text again, byte for byte as parsed except for the edits made since.
    QString toText() const;
    // A whole file's bytes, decoded in the encoding its byte-order mark names.
    static ProfileFile fromBytes(const QByteArray& bytes);
    // The file's bytes in the encoding it was read in.
    QByteArray toBytes() const;
    const ProfileEncoding& encoding() const { return m_encoding; }

    // The raw value of a key (blanks around it removed, quotes kept); nothing when the section
    // or the key is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The section's keys as "name=value" in file order (duplicates included); empty when absent.
    QStringList entries(const QString& section) const;
    bool hasSection(const QString& section) const;
    // The names of every section header in file order, repeated ones included.
    QStringList sectionNames() const;

    // Each edit answers whether the text changed.
    // Replaces the value of the key's line in place, or adds "key=value" after the section's last
    // key, or adds the section at the end of the file.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // Removes every line of the key in the section.
    bool removeKey(const QString& section, const QString& key);
    // Removes every section of that name: its header and its lines up to the blank lines and
    // comments before the next header, which stay.
    bool removeSection(const QString& section);
    // Replaces the section's lines (as removeSection counts them) by the given ones; a missing
    // section is added at the end.
    bool replaceSection(const QString& section, const QStringList& lines);

    // The white space the file ignores around names and values: blank, tab, and the carriage
    // return, vertical tab and form feed that stray into hand-edited files.
    static bool isSpace(QChar character);
    // A name or value as the file compares it: white space at both ends removed.
    static QString trimmed(const QString& name);

    // The line end new lines get: the file's first line end, else LF.
    QString newline() const { return m_newline; }

private:
    struct Line {
        QString text;
        QString ending;
        // Where the line's bytes start in m_source while the line is as read, else -1: a large
        // file is written back by copying the bytes of its unchanged lines.
        qsizetype source = -1;
    };
    struct Key {
        QString name;
        QString value;
        // Lines below the section's header, so that an edit elsewhere leaves it alone.
        qsizetype offset;
    };
    struct Section {
        QString name;
        qsizetype header = 0;
        // One past the section's last line.
        qsizetype end = 0;
        QList<Key> keys;
        // Folded key name to the index of its first occurrence in keys.
        QHash<QString, qsizetype> keyIndex;
    };

    static QString fold(const QString& name);

    void reindex();
    void indexFrom(qsizetype firstLine);
    qsizetype sectionIndex(const QString& section) const;
    qsizetype keyIndex(const Section& section, const QString& key) const;
    const Section* findSection(const QString& section) const;
    // Moves the sections from the given one on by delta lines.
    void shiftSections(qsizetype first, qsizetype delta);
    void rebuildKeyIndex(Section& section);
    // One past the section's last line that is neither blank nor a comment (its header at least).
    qsizetype contentEnd(const Section& section) const;
    // Line after which a new key of the section goes: its last key, else its header.
    static qsizetype insertionLine(const Section& section);
    void insertLines(qsizetype position, const QStringList& texts);
    void removeLines(qsizetype first, qsizetype count);
    void appendSection(const QString& section, const QStringList& lines);

    QList<Line> m_lines;
    QList<Section> m_sections;
    // Folded section name to the index of its first occurrence in m_sections.
    QHash<QString, qsizetype> m_sectionIndex;
    QString m_newline = QStringLiteral("\n");
    ProfileEncoding m_encoding;
    // The bytes the file was read from.
    QByteArray m_source;
};
