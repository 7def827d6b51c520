#include "components/TextFileLexicon.h"

#include "services/PlaceholderText.h"

#include <QFile>

namespace {
// A lexicon is a handful of short texts; anything larger is not a lexicon.
constexpr qint64 kMaximumFileSize = 4 * 1024 * 1024;
}

QString TextFileLexicon::classId()
{
    return QStringLiteral("QuibaLexicon.Lexicon");
}

QString TextFileLexicon::className() const
{
    return QStringLiteral("Lexicon");
}

QString TextFileLexicon::entryKey(const QString& section, const QString& key)
{
    return section.trimmed().toUpper() + u'\n' + key.trimmed().toUpper();
}

void TextFileLexicon::load(const QString& fileName)
{
    QFile file(fileName);
    if (file.size() > kMaximumFileSize || !file.open(QIODevice::ReadOnly))
        return;
    loadText(QString::fromUtf8(file.readAll()));
}

void TextFileLexicon::loadText(const QString& content)
{
    QString section;
    const QStringList lines = content.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            section = trimmed.mid(1, trimmed.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section.isEmpty() || equals <= 0 || line.left(equals).trimmed().isEmpty())
            continue;
        m_entries.insert(entryKey(section, line.left(equals)), line.mid(equals + 1));
    }
}

QString TextFileLexicon::text(const QString& section, const QString& key, const QString& defaultText,
                              const VariantArray& arguments)
{
    return PlaceholderText::fill(m_entries.value(entryKey(section, key), defaultText), arguments);
}
