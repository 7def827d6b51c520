#pragma once

#include "platform/Dictionary.h"

#include <QString>
#include <array>
#include <memory>

// A URI in the generic syntax of RFC 3986, split into its seven components. Each component is
// kept in escaped (percent-encoded) form, read back unescaped, and escaped on write with the
// characters the component allows. Escapes use the Windows-1252 code of a character; one the
// code page cannot hold is escaped as "?" ("%3F").
class clsGenericURI {
public:
    static inline const QString kClassName = QStringLiteral("clsGenericURI");

    // The allowed character sets of RFC 3986.
    static const QString& schemeCharacters();
    static const QString& unreservedCharacters();
    static const QString& subDelimiters();
    static const QString& pathCharacters(); // pchar

    QString Scheme() const;
    void setScheme(const QString& value);
    QString User() const;
    void setUser(const QString& value);
    QString Host() const;
    void setHost(const QString& value);
    QString Port() const;
    void setPort(const QString& value);
    QString Path() const;
    void setPath(const QString& value);
    QString Query() const;
    void setQuery(const QString& value);
    QString Fragment() const;
    void setFragment(const QString& value);

    // "//" [User "@"] Host [":" Port], in escaped form; empty without a host.
    QString Authority() const;
    void setAuthority(const QString& value);
    // Authority followed by the escaped path.
    QString HierPart() const;
    void setHierPart(const QString& value);
    // The whole URI. A text without ":" leaves every component empty.
    QString Text() const;
    void setText(const QString& value);

    // The query's arguments in order: "&" separates them, "key=value" or a bare key (value
    // Null); keys and values unescaped; the first occurrence of a key wins.
    std::shared_ptr<Dictionary> QueryAsDictionary() const;
    // The query rebuilt from the dictionary's keys and values, in its order.
    void LoadQueryDictionary(const Dictionary& arguments);

    // Every character not in allowed (the unreserved set when allowed is empty) becomes "%"
    // and two upper-case hexadecimal digits.
    static QString Escape(const QString& text, const QString& allowed = {});
    // Every "%" followed by two hexadecimal digits becomes that character; any other "%" stays.
    static QString Unescape(const QString& text);

    // Lower-case scheme and host, every component re-escaped, query arguments sorted by key
    // without regard to case.
    QString NormalisedText() const;
    void setNormalisedText(const QString& value);

private:
    enum Component { SchemePart, UserPart, HostPart, PortPart, PathPart, QueryPart, FragmentPart, ComponentCount };

    QString component(Component which) const;
    void setComponent(Component which, const QString& value);
    void clear();
    static QString reescape(const QString& stored, const QString& allowed);
    static QString lowerReescape(const QString& stored, const QString& allowed);
    static QString queryArgument(const QString& key, const Variant& value);
    static QStringList zSort(QStringList keys);
    QString normalisedAuthority() const;
    // Empty, or "//" alone: an authority that is written as its host.
    static bool isBareHost(const QString& host);
    static QString composeAuthority(const QString& user, const QString& host, const QString& port);

    std::array<QString, ComponentCount> m_parts;
};
