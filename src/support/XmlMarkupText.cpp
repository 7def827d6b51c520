#include "support/XmlMarkupText.h"

#include "platform/Ansi.h"
#include "platform/HexDigit.h"
#include "platform/RuntimeErrors.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A reference is decoded only when its ";" lies fewer than this many characters after "&".
constexpr qsizetype kReferenceReach = 8;

bool isWhite(QChar character)
{
    return character.unicode() < 33;
}

qsizetype skipWhite(QStringView text, qsizetype from)
{
    while (from < text.size() && isWhite(text[from]))
        ++from;
    return from;
}

qsizetype skipWord(QStringView text, qsizetype from)
{
    while (from < text.size() && !isWhite(text[from]))
        ++from;
    return from;
}

bool isDecimalDigit(QChar character)
{
    return character >= u'0' && character <= u'9';
}

std::optional<char32_t> parseCode(QStringView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    char32_t code = 0;
    for (const QChar character : digits) {
        const int digit = HexDigit::value(character);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        code = code * char32_t(base) + char32_t(digit);
        if (code > QChar::LastValidCodePoint)
            return std::nullopt;
    }
    return code;
}

// The reference "&#...;" between amp and semicolon: decimal when the character after "&#" is
// a digit, otherwise hexadecimal from the character after that one (the "x").
QString referencedCharacter(QStringView text, qsizetype amp, qsizetype semicolon)
{
    const bool decimal = isDecimalDigit(text[amp + 2]);
    const qsizetype first = decimal ? amp + 2 : amp + 3;
    const QStringView digits = first <= semicolon ? text.sliced(first, semicolon - first) : QStringView();
    const std::optional<char32_t> code = parseCode(digits, decimal ? 10 : 16);
    if (!code)
        RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
    if (*code <= 0xFF)
        return QString(Ansi::character(quint8(*code)));
    const char32_t ucs4 = *code;
    return QString::fromUcs4(&ucs4, 1);
}

// Decodes the numeric references of a text from the left. After each decoded reference the
// search resumes one character before it, since a decoded "#" or "&" can form a new reference
// with its neighbour. The text is held as the decoded part followed by what is not yet read of
// the original, so every character is copied once however many references there are.
class ReferenceDecoder {
public:
    explicit ReferenceDecoder(QStringView text) : m_text(text) { m_done.reserve(text.size()); }

    QString run()
    {
        qsizetype from = 0;
        for (qsizetype amp = find(from); amp >= 0; amp = find(from)) {
            const QString window = windowAt(amp);
            const qsizetype semicolon = window.indexOf(u';');
            // The first reference without its ";" within reach ends the decoding.
            if (semicolon < 0)
                break;
            const QString character = referencedCharacter(window, 0, semicolon);
            const qsizetype fromDone = m_done.size() - amp;
            Q_ASSERT(semicolon + 1 >= fromDone);
            m_next += semicolon + 1 - fromDone;
            m_done.truncate(amp);
            m_done += character;
            from = std::max<qsizetype>(0, amp - 1);
        }
        m_done += m_text.sliced(m_next);
        return m_done;
    }

private:
    // The first "&#" at or after from (never more than a few characters before the end of
    // the decoded part); the original text before it moves to the decoded part.
    qsizetype find(qsizetype from)
    {
        for (qsizetype p = from; p < m_done.size(); ++p) {
            const bool hashFollows = p + 1 < m_done.size() ? m_done[p + 1] == u'#'
                                                            : m_next < m_text.size() && m_text[m_next] == u'#';
            if (m_done[p] == u'&' && hashFollows)
                return p;
        }
        const qsizetype found = m_text.indexOf(u"&#", m_next);
        if (found < 0)
            return -1;
        m_done += m_text.sliced(m_next, found - m_next);
        m_next = found;
        return m_done.size();
    }

    // The characters from amp that a reference may span.
    QString windowAt(qsizetype amp) const
    {
        const QString decoded = m_done.sliced(amp);
        const qsizetype more = std::min(m_text.size() - m_next, kReferenceReach - decoded.size());
        return decoded + m_text.sliced(m_next, more).toString();
    }

    QStringView m_text;
    qsizetype m_next = 0;
    QString m_done;
};

} // namespace

QStringView XmlMarkupText::head(QStringView text)
{
    const qsizetype start = skipWhite(text, 0);
    return text.sliced(start, skipWord(text, start) - start);
}

QStringView XmlMarkupText::tail(QStringView text)
{
    const qsizetype rest = skipWhite(text, skipWord(text, skipWhite(text, 0)));
    return text.sliced(rest);
}

QStringView XmlMarkupText::trimControls(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isWhite(text[start]))
        ++start;
    while (end > start && isWhite(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

QStringView XmlMarkupText::trimBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.sliced(start, end - start);
}

bool XmlMarkupText::isIgnorableWhitespace(QStringView text)
{
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        if (code != 9 && code != 10 && code != 13 && code != 32)
            return false;
    }
    return true;
}

qsizetype XmlMarkupText::find(QStringView text, QChar character, qsizetype from)
{
    if (from < 0)
        from = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == character)
            return i;
    }
    return -1;
}

QStringView XmlMarkupText::localName(QStringView qualifiedName)
{
    const qsizetype colon = find(qualifiedName, u':');
    return colon < 0 ? qualifiedName : qualifiedName.sliced(colon + 1);
}

QString XmlMarkupText::unescape(QString text)
{
    if (find(text, u'&') < 0)
        return text;
    if (!text.contains(u"&#"_s))
        return replaceNamedEntities(text);
    text.replace(u"&lt;"_s, u"<"_s);
    text.replace(u"&gt;"_s, u">"_s);
    text.replace(u"&apos;"_s, u"'"_s);
    text.replace(u"&quot;"_s, u"\""_s);
    decodeNumericReferences(text);
    text.replace(u"&amp;"_s, u"&"_s);
    return text;
}

// Without numeric references the replacements in their order come to one pass from the left:
// no replacement yields an "&" that a later one could take up, except &amp;, which comes last
// and whose "&" this pass does not look at again.
QString XmlMarkupText::replaceNamedEntities(QStringView text)
{
    struct Entity {
        QStringView name;
        QChar character;
    };
    static constexpr Entity kEntities[] = {
        {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&apos;", u'\''}, {u"&quot;", u'"'}, {u"&amp;", u'&'},
    };
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype amp = text.indexOf(u'&'); amp >= 0; amp = text.indexOf(u'&', from)) {
        result += text.sliced(from, amp - from);
        from = amp + 1;
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                         [&](const Entity& e) { return text.sliced(amp).startsWith(e.name); });
        if (entity == std::end(kEntities)) {
            result += u'&';
            continue;
        }
        result += entity->character;
        from = amp + entity->name.size();
    }
    result += text.sliced(from);
    return result;
}

void XmlMarkupText::decodeNumericReferences(QString& text)
{
    text = ReferenceDecoder(text).run();
}
