#pragma once

#include "services/Lexicon.h"

#include <QHash>

// The built-in lexicon: a UTF-8 text file of "[SECTION]" headers and "key=value" lines (see
// docs/lexicon.md). Sections and keys compare without regard to case. A file that is missing,
// unreadable or malformed leaves the lexicon without those entries, so callers get their
// defaults.
class TextFileLexicon : public Lexicon {
public:
    static QString classId();

    QString className() const override;

    void load(const QString& fileName) override;
    QString text(const QString& section, const QString& key, const QString& defaultText,
                 const VariantArray& arguments) override;

    // Reads lexicon text; later loads add to and replace earlier entries.
    void loadText(const QString& content);
    int entryCount() const { return int(m_entries.size()); }

private:
    static QString entryKey(const QString& section, const QString& key);

    QHash<QString, QString> m_entries;
};
