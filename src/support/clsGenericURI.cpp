#include "support/clsGenericURI.h"

#include "services/ProcedureFrame.h"
#include "platform/Ansi.h"
#include "platform/HexDigit.h"
#include "platform/Blanks.h"
#include "platform/Conversions.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kDigits = u"0123456789"_s;
const QString kAuthorityMark = u"//"_s;

struct ComponentInfo {
    const char16_t* procedure;
    QString allowed;
};

// Per component, in the order of clsGenericURI::Component: its trace name and the characters
// it may hold unescaped.
const std::array<ComponentInfo, 7>& components()
{
    static const std::array<ComponentInfo, 7> table = {{
        {u"Property Scheme", clsGenericURI::schemeCharacters()},
        {u"Property User", clsGenericURI::unreservedCharacters() + clsGenericURI::subDelimiters() + u':'},
        {u"Property Host", clsGenericURI::unreservedCharacters() + clsGenericURI::subDelimiters()},
        {u"Property Port", kDigits},
        {u"Property Path", u'/' + clsGenericURI::pathCharacters()},
        {u"Property Query", clsGenericURI::pathCharacters() + u"/?"_s},
        {u"Property Fragment", clsGenericURI::pathCharacters() + u"/?"_s},
    }};
    return table;
}

// The piece before the first occurrence of separator at or after from, and what follows it;
// the whole text and nothing when the separator is absent.
struct Split {
    QString before;
    QString after;
    bool found;
};

Split splitAt(const QString& text, QChar separator, qsizetype from = 0)
{
    const qsizetype at = text.indexOf(separator, from);
    if (at < 0)
        return {text, QString(), false};
    return {text.left(at), text.mid(at + 1), true};
}

// Digits only: a sign, blanks, an exponent or "&H" would not survive normalising.
bool isPortNumber(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return kDigits.contains(c); });
}

} // namespace

const QString& clsGenericURI::schemeCharacters()
{
    static const QString set = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-."_s;
    return set;
}

const QString& clsGenericURI::unreservedCharacters()
{
    static const QString set = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"_s;
    return set;
}

const QString& clsGenericURI::subDelimiters()
{
    static const QString set = u"!$&'()*+,;="_s;
    return set;
}

const QString& clsGenericURI::pathCharacters()
{
    static const QString set = unreservedCharacters() + subDelimiters() + u":@"_s;
    return set;
}

QString clsGenericURI::component(Component which) const
{
    ProcedureFrame frame(QString::fromUtf16(components()[which].procedure), kClassName);
    return frame.run(ErrorExit::rethrow(), [&] { return Unescape(m_parts[which]); });
}

void clsGenericURI::setComponent(Component which, const QString& value)
{
    ProcedureFrame frame(QString::fromUtf16(components()[which].procedure), kClassName);
    frame.run(ErrorExit::rethrow(), [&] { m_parts[which] = Escape(value, components()[which].allowed); });
}

QString clsGenericURI::Scheme() const { return component(SchemePart); }
void clsGenericURI::setScheme(const QString& value) { setComponent(SchemePart, value); }
QString clsGenericURI::User() const { return component(UserPart); }
void clsGenericURI::setUser(const QString& value) { setComponent(UserPart, value); }
QString clsGenericURI::Host() const { return component(HostPart); }
void clsGenericURI::setHost(const QString& value) { setComponent(HostPart, value); }
QString clsGenericURI::Port() const { return component(PortPart); }
void clsGenericURI::setPort(const QString& value) { setComponent(PortPart, value); }
QString clsGenericURI::Path() const { return component(PathPart); }
void clsGenericURI::setPath(const QString& value) { setComponent(PathPart, value); }
QString clsGenericURI::Query() const { return component(QueryPart); }
void clsGenericURI::setQuery(const QString& value) { setComponent(QueryPart, value); }
QString clsGenericURI::Fragment() const { return component(FragmentPart); }
void clsGenericURI::setFragment(const QString& value) { setComponent(FragmentPart, value); }

void clsGenericURI::clear()
{
    for (QString& part : m_parts)
        part.clear();
}

bool clsGenericURI::isBareHost(const QString& host)
{
    return host.isEmpty() || host == kAuthorityMark;
}

QString clsGenericURI::composeAuthority(const QString& user, const QString& host, const QString& port)
{
    QString text = kAuthorityMark;
    if (!user.isEmpty())
        text += user + u'@';
    text += host;
    if (!port.isEmpty())
        text += u':' + port;
    return text;
}

QString clsGenericURI::Authority() const
{
    ProcedureFrame frame(u"Property Authority"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const QString& host = m_parts[HostPart];
        return isBareHost(host) ? host : composeAuthority(m_parts[UserPart], host, m_parts[PortPart]);
    });
}

void clsGenericURI::setAuthority(const QString& value)
{
    ProcedureFrame frame(u"Property Authority"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        QString rest = Blanks::trim(value);
        m_parts[UserPart].clear();
        m_parts[HostPart].clear();
        m_parts[PortPart].clear();
        if (rest.isEmpty())
            return;
        if (rest == kAuthorityMark) {
            m_parts[HostPart] = rest;
            return;
        }
        if (rest.startsWith(kAuthorityMark))
            rest.remove(0, kAuthorityMark.size());
        // "@" and ":" count only after the first character.
        if (const Split user = splitAt(rest, u'@', 1); user.found) {
            m_parts[UserPart] = user.before;
            rest = user.after;
        }
        if (const Split port = splitAt(rest, u':', 1); port.found && isPortNumber(port.after)) {
            m_parts[PortPart] = port.after;
            rest = port.before;
        }
        m_parts[HostPart] = rest;
    });
}

QString clsGenericURI::HierPart() const
{
    ProcedureFrame frame(u"Property HierPart"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] { return Authority() + m_parts[PathPart]; });
}

void clsGenericURI::setHierPart(const QString& value)
{
    ProcedureFrame frame(u"Property HierPart"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        const QString text = Blanks::trim(value);
        if (!text.startsWith(kAuthorityMark)) {
            setAuthority(QString());
            m_parts[PathPart] = text;
            return;
        }
        const qsizetype slash = text.indexOf(u'/', kAuthorityMark.size());
        setAuthority(slash < 0 ? text : text.left(slash));
        m_parts[PathPart] = slash < 0 ? QString() : text.mid(slash);
    });
}

QString clsGenericURI::Text() const
{
    ProcedureFrame frame(u"Property Text"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        QString text;
        if (!m_parts[SchemePart].isEmpty())
            text += m_parts[SchemePart] + u':';
        text += HierPart();
        if (!m_parts[QueryPart].isEmpty())
            text += u'?' + m_parts[QueryPart];
        if (!m_parts[FragmentPart].isEmpty())
            text += u'#' + m_parts[FragmentPart];
        return text;
    });
}

void clsGenericURI::setText(const QString& value)
{
    ProcedureFrame frame(u"Property Text"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        clear();
        const Split scheme = splitAt(value, u':');
        if (!scheme.found)
            return;
        m_parts[SchemePart] = scheme.before;
        // A "?" starts the query, and a "#" after it the fragment; without a "?", a "#" starts
        // the fragment.
        const Split query = splitAt(scheme.after, u'?');
        const Split fragment = splitAt(query.found ? query.after : scheme.after, u'#');
        if (query.found) {
            setHierPart(query.before);
            m_parts[QueryPart] = fragment.before;
        } else {
            setHierPart(fragment.before);
        }
        m_parts[FragmentPart] = fragment.after;
    });
}

std::shared_ptr<Dictionary> clsGenericURI::QueryAsDictionary() const
{
    ProcedureFrame frame(u"Function QueryAsDictionary"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        auto arguments = std::make_shared<Dictionary>();
        const QString& query = m_parts[QueryPart];
        qsizetype start = 0;
        while (start < query.size()) {
            // An "&" in the first position belongs to the first argument.
            qsizetype end = query.indexOf(u'&', std::max<qsizetype>(start, 1));
            if (end < 0)
                end = query.size();
            const QString piece = query.mid(start, end - start);
            start = end + 1;
            if (piece.isEmpty())
                continue;
            const qsizetype equals = piece.indexOf(u'=');
            const QString key = Unescape(equals > 0 ? piece.left(equals) : piece);
            if (!arguments->exists(key))
                arguments->add(key, equals > 0 ? Variant(Unescape(piece.mid(equals + 1))) : Variant::null());
        }
        return arguments;
    });
}

QString clsGenericURI::queryArgument(const QString& key, const Variant& value)
{
    QString text = Escape(key);
    if (!value.isNull())
        text += u'=' + Escape(Conversions::toText(value));
    return text;
}

void clsGenericURI::LoadQueryDictionary(const Dictionary& arguments)
{
    ProcedureFrame frame(u"Sub LoadQueryDictionary"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        QStringList pieces;
        for (const QString& key : arguments.keys())
            pieces.append(queryArgument(key, arguments.itemIfPresent(key)));
        m_parts[QueryPart] = pieces.join(u'&');
    });
}

QString clsGenericURI::Escape(const QString& text, const QString& allowed)
{
    ProcedureFrame frame(u"Function Escape"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const QString& keep = allowed.isEmpty() ? unreservedCharacters() : allowed;
        QString escaped;
        escaped.reserve(text.size());
        for (const QChar character : text) {
            if (keep.contains(character))
                escaped += character;
            else
                escaped += u'%' + QString::number(Ansi::code(character), 16).toUpper().rightJustified(2, u'0');
        }
        return escaped;
    });
}

QString clsGenericURI::Unescape(const QString& text)
{
    ProcedureFrame frame(u"Function Unescape"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        QString plain;
        plain.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int high = i + 2 < text.size() && text[i] == u'%' ? HexDigit::value(text[i + 1]) : -1;
            const int low = high >= 0 ? HexDigit::value(text[i + 2]) : -1;
            if (low < 0) {
                plain += text[i];
                continue;
            }
            plain += Ansi::character(quint8(high * 16 + low));
            i += 2;
        }
        return plain;
    });
}

QString clsGenericURI::reescape(const QString& stored, const QString& allowed)
{
    return Escape(Unescape(stored), allowed);
}

QString clsGenericURI::lowerReescape(const QString& stored, const QString& allowed)
{
    return Escape(Unescape(stored).toLower(), allowed);
}

QString clsGenericURI::normalisedAuthority() const
{
    const QString& host = m_parts[HostPart];
    if (isBareHost(host))
        return host;
    return composeAuthority(reescape(m_parts[UserPart], components()[UserPart].allowed),
                            lowerReescape(host, components()[HostPart].allowed),
                            reescape(m_parts[PortPart], components()[PortPart].allowed));
}

QStringList clsGenericURI::zSort(QStringList keys)
{
    ProcedureFrame frame(u"Function zSort"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
            const int folded = a.toLower().compare(b.toLower());
            return folded != 0 ? folded < 0 : a < b;
        });
        return keys;
    });
}

QString clsGenericURI::NormalisedText() const
{
    ProcedureFrame frame(u"Property NormalisedText"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        QString text;
        if (!m_parts[SchemePart].isEmpty())
            text += lowerReescape(m_parts[SchemePart], components()[SchemePart].allowed) + u':';
        text += normalisedAuthority();
        if (!m_parts[PathPart].isEmpty())
            text += reescape(m_parts[PathPart], components()[PathPart].allowed);
        const std::shared_ptr<Dictionary> arguments = QueryAsDictionary();
        const QStringList keys = zSort(arguments->keys());
        for (qsizetype i = 0; i < keys.size(); ++i)
            text += (i == 0 ? u'?' : u'&') + queryArgument(keys[i], arguments->item(keys[i]));
        if (!m_parts[FragmentPart].isEmpty())
            text += u'#' + reescape(m_parts[FragmentPart], components()[FragmentPart].allowed);
        return text;
    });
}

void clsGenericURI::setNormalisedText(const QString& value)
{
    ProcedureFrame frame(u"Property NormalisedText"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        setText(value);
        setText(NormalisedText());
    });
}
