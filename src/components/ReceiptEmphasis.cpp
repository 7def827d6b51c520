#include "components/ReceiptEmphasis.h"

#include <QHash>
#include <QRegularExpression>

ReceiptEmphasis ReceiptEmphasis::parse(const QString& text)
{
    // Nearly every text has no emphasis, or the one of the text before.
    if (text.isEmpty())
        return {};
    static QString lastText;
    static ReceiptEmphasis lastEmphasis;
    if (text == lastText)
        return lastEmphasis;
    lastEmphasis = words(text);
    lastText = text;
    return lastEmphasis;
}

ReceiptEmphasis ReceiptEmphasis::words(const QString& text)
{
    static const QHash<QString, QChar> words{{QStringLiteral("bold"), u'b'},
                                             {QStringLiteral("underline"), u'u'},
                                             {QStringLiteral("italic"), u'i'},
                                             {QStringLiteral("reverse"), u'r'},
                                             {QStringLiteral("inverse"), u'r'}};
    static const QRegularExpression separators(QStringLiteral("[^a-z]+"));
    ReceiptEmphasis e;
    for (const QString& word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
        if (const auto found = words.constFind(word); found != words.cend()) {
            e.set(*found);
            continue;
        }
        for (QChar letter : word)
            e.set(letter);
    }
    return e;
}

void ReceiptEmphasis::set(QChar letter)
{
    switch (letter.unicode()) {
    case u'b': bold = true; break;
    case u'u': underline = true; break;
    case u'i': italic = true; break;
    case u'r': reverse = true; break;
    default: break;
    }
}
