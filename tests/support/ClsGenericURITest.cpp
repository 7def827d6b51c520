#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"
#include "support/clsGenericURI.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The components as they read back (unescaped), in the order scheme, user, host, port, path,
// query, fragment.
QStringList components(const clsGenericURI& uri)
{
    return {uri.Scheme(), uri.User(), uri.Host(), uri.Port(), uri.Path(), uri.Query(), uri.Fragment()};
}

clsGenericURI uriOf(const QString& text)
{
    clsGenericURI uri;
    uri.setText(text);
    return uri;
}

struct SplitCase {
    QString text;
    QStringList components;
    QString authority;
};

TEST(ClsGenericURI, SplitsTextIntoComponents)
{
    const SplitCase cases[] = {
        {u"http://me@Example.com:8080/a%20b/c?q=1&r#top"_s,
         {u"http"_s, u"me"_s, u"Example.com"_s, u"8080"_s, u"/a b/c"_s, u"q=1&r"_s, u"top"_s},
         u"//me@Example.com:8080"_s},
        {u"u:/update?package=a%20b"_s, {u"u"_s, {}, {}, {}, u"/update"_s, u"package=a b"_s, {}}, {}},
        {u"mailto:someone@example.com"_s, {u"mailto"_s, {}, {}, {}, u"someone@example.com"_s, {}, {}}, {}},
        {u"file:///etc/quiba"_s, {u"file"_s, {}, u"//"_s, {}, u"/etc/quiba"_s, {}, {}}, u"//"_s},
        {u"x://host"_s, {u"x"_s, {}, u"host"_s, {}, {}, {}, {}}, u"//host"_s},
        {u"x:#frag"_s, {u"x"_s, {}, {}, {}, {}, {}, u"frag"_s}, {}},
        {u"x:?q#f#g"_s, {u"x"_s, {}, {}, {}, {}, u"q"_s, u"f#g"_s}, {}},
        {u"x:a#f?q"_s, {u"x"_s, {}, {}, {}, u"a#f"_s, u"q"_s, {}}, {}},       // a "?" anywhere starts the query
        {u"x://h:port/p"_s, {u"x"_s, {}, u"h:port"_s, {}, u"/p"_s, {}, {}}, u"//h:port"_s}, // port must be numeric
        {u"x://h:/p"_s, {u"x"_s, {}, u"h:"_s, {}, u"/p"_s, {}, {}}, u"//h:"_s},
        // A port is digits only: no blank, sign, exponent or "&H" prefix.
        {u"x://h: 1/p"_s, {u"x"_s, {}, u"h: 1"_s, {}, u"/p"_s, {}, {}}, u"//h: 1"_s},
        {u"x://h:-1/p"_s, {u"x"_s, {}, u"h:-1"_s, {}, u"/p"_s, {}, {}}, u"//h:-1"_s},
        {u"x://h:1e3/p"_s, {u"x"_s, {}, u"h:1e3"_s, {}, u"/p"_s, {}, {}}, u"//h:1e3"_s},
        {u"x://h:&Ha/p"_s, {u"x"_s, {}, u"h:&Ha"_s, {}, u"/p"_s, {}, {}}, u"//h:&Ha"_s},
        {u"x://h:1.5/p"_s, {u"x"_s, {}, u"h:1.5"_s, {}, u"/p"_s, {}, {}}, u"//h:1.5"_s},
        {u"x://h:0080/p"_s, {u"x"_s, {}, u"h"_s, u"0080"_s, u"/p"_s, {}, {}}, u"//h:0080"_s},
        {u"x://@h"_s, {u"x"_s, {}, u"@h"_s, {}, {}, {}, {}}, u"//@h"_s},       // "@" first is part of the host
        {u"x:  //u@h:1/p  "_s, {u"x"_s, u"u"_s, u"h"_s, u"1"_s, u"/p"_s, {}, {}}, u"//u@h:1"_s}, // blanks trimmed
        {u":only"_s, {{}, {}, {}, {}, u"only"_s, {}, {}}, {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const clsGenericURI uri = uriOf(c.text);
        EXPECT_EQ(components(uri), c.components);
        EXPECT_EQ(uri.Authority(), c.authority);
    }
}

TEST(ClsGenericURI, TextWithoutAColonIsAnEmptyUri)
{
    clsGenericURI uri = uriOf(u"http://a/b?c#d"_s);
    uri.setText(u"no scheme here"_s);
    EXPECT_EQ(components(uri), QStringList(7));
    EXPECT_EQ(uri.Text(), QString());
    EXPECT_EQ(uri.HierPart(), QString());
}

TEST(ClsGenericURI, TextReadsBackAsWritten)
{
    for (const QString& text : {u"http://me@Example.com:8080/a%20b/c?q=1&r#top"_s, u"file:///etc/quiba"_s,
                                u"u:/update?package=a%20b"_s, u"x:#f"_s, u"mailto:a@b"_s, u"x:/%zz%4?k=%#%"_s}) {
        EXPECT_EQ(uriOf(text).Text(), text);
    }
}

TEST(ClsGenericURI, ComponentWritesEscapeWithTheirOwnCharacters)
{
    clsGenericURI uri;
    uri.setScheme(u"a b"_s);
    uri.setUser(u"me:pw@"_s);
    uri.setHost(u"h/st"_s);
    uri.setPort(u"8o"_s);
    uri.setPath(u"/a b/ü"_s);
    uri.setQuery(u"k=v w/?#"_s);
    uri.setFragment(u"f?#"_s);
    EXPECT_EQ(uri.Text(), u"a%20b://me:pw%40@h%2Fst:8%6F/a%20b/%FC?k=v%20w/?%23#f?%23"_s);
    EXPECT_EQ(components(uri),
              (QStringList{u"a b"_s, u"me:pw@"_s, u"h/st"_s, u"8o"_s, u"/a b/ü"_s, u"k=v w/?#"_s, u"f?#"_s}));
}

TEST(ClsGenericURI, HierPartAndAuthorityWrites)
{
    clsGenericURI uri = uriOf(u"x://u@h:1/p"_s);
    uri.setHierPart(u"relative/path"_s);
    EXPECT_EQ(components(uri), (QStringList{u"x"_s, {}, {}, {}, u"relative/path"_s, {}, {}}));
    uri.setHierPart(u" //host:99 "_s);
    EXPECT_EQ(components(uri), (QStringList{u"x"_s, {}, u"host"_s, u"99"_s, {}, {}, {}}));
    uri.setAuthority(u"//"_s);
    EXPECT_EQ(uri.Host(), u"//"_s);
    EXPECT_EQ(uri.HierPart(), u"//"_s);
    uri.setAuthority(QString());
    EXPECT_EQ(uri.Authority(), QString());
}

struct EscapeCase {
    QString text;
    QString allowed;
    QString escaped;
};

TEST(ClsGenericURI, EscapeUsesUpperCaseHexOfTheWindows1252Code)
{
    const EscapeCase cases[] = {
        {u" "_s, {}, u"%20"_s},
        {u"\n"_s, {}, u"%0A"_s},
        {u"a-._~Z9"_s, {}, u"a-._~Z9"_s},
        {u"/?&="_s, {}, u"%2F%3F%26%3D"_s},
        {u"/?&="_s, u"/?"_s, u"/?%26%3D"_s},
        {u"é€"_s, {}, u"%E9%80"_s},
        {u"Ж"_s, {}, u"%3F"_s}, // outside the code page: its "?"
        {u"%"_s, {}, u"%25"_s},
    };
    for (const EscapeCase& c : cases)
        EXPECT_EQ(clsGenericURI::Escape(c.text, c.allowed), c.escaped) << c.text.toStdString();
}

TEST(ClsGenericURI, UnescapeDecodesOnlyTwoHexDigits)
{
    const std::pair<QString, QString> cases[] = {
        {u"a%20b"_s, u"a b"_s},
        {u"%zz"_s, u"%zz"_s},
        {u"100%"_s, u"100%"_s},
        {u"%4"_s, u"%4"_s},
        {u"end%41"_s, u"endA"_s},
        {u"%2541"_s, u"%41"_s}, // scanning goes on after the decoded character
        {u"%e9%80"_s, u"é€"_s},
        {u"%%41"_s, u"%A"_s},
    };
    for (const auto& [text, plain] : cases)
        EXPECT_EQ(clsGenericURI::Unescape(text), plain) << text.toStdString();
}

struct QueryCase {
    QString query;
    QStringList keys;
    QStringList values; // "<null>" for a bare key
};

TEST(ClsGenericURI, QueryAsDictionaryKeepsTheFirstOccurrence)
{
    const QueryCase cases[] = {
        {u"a&b=1&a=2"_s, {u"a"_s, u"b"_s}, {u"<null>"_s, u"1"_s}},
        {u"package=a%20b&x=%3D%26"_s, {u"package"_s, u"x"_s}, {u"a b"_s, u"=&"_s}},
        {u"=v&k=&&m=1=2"_s, {u"=v"_s, u"k"_s, u"m"_s}, {u"<null>"_s, {}, u"1=2"_s}},
        {u"&a=1&b"_s, {u"&a"_s, u"b"_s}, {u"1"_s, u"<null>"_s}}, // a leading "&" does not split
        {u"A=1&a=2"_s, {u"A"_s, u"a"_s}, {u"1"_s, u"2"_s}},      // keys compare exactly
        {u"k=%zz%"_s, {u"k"_s}, {u"%zz%"_s}},
        {{}, {}, {}},
    };
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        const std::shared_ptr<Dictionary> arguments = uriOf(u"x:?"_s + c.query).QueryAsDictionary();
        EXPECT_EQ(arguments->keys(), c.keys);
        QStringList values;
        for (const Variant& value : arguments->items())
            values.append(value.isNull() ? u"<null>"_s : value.toString());
        EXPECT_EQ(values, c.values);
    }
}

TEST(ClsGenericURI, LoadQueryDictionaryEscapesKeysAndValues)
{
    Dictionary arguments;
    arguments.add(u"a b"_s, Variant(u"1&2"_s));
    arguments.add(u"bare"_s, Variant::null());
    arguments.add(u"empty"_s, Variant(QString()));
    arguments.add(u"n"_s, Variant(qint32(5)));
    clsGenericURI uri = uriOf(u"x:/p?old#f"_s);
    uri.LoadQueryDictionary(arguments);
    EXPECT_EQ(uri.Text(), u"x:/p?a%20b=1%262&bare&empty=&n=5#f"_s);
    const std::shared_ptr<Dictionary> back = uri.QueryAsDictionary();
    EXPECT_EQ(back->keys(), arguments.keys());
    EXPECT_TRUE(back->item(u"bare"_s).isNull());
}

TEST(ClsGenericURI, NormalisedText)
{
    const std::pair<QString, QString> cases[] = {
        {u"HTTP://User@Example.COM:80/a%7eb/%7A?Z=1&a#f%20x"_s, u"http://User@example.com:80/a~b/z?a&Z=1#f%20x"_s},
        {u"x:/p?b=1&B=2&a=3"_s, u"x:/p?a=3&B=2&b=1"_s}, // keys sorted without regard to case, then by code
        {u"x:/a%zz%4?k=%"_s, u"x:/a%25zz%254?k=%25"_s},
        {u"file:///Etc/X"_s, u"file:///Etc/X"_s},
        {u"x:?a&b=1&a=2"_s, u"x:?a&b=1"_s},
        {u"X:p%C9"_s, u"x:p%C9"_s}, // only scheme and host are lower-cased
        {u"x://H%C9/"_s, u"x://h%E9/"_s},
        {u"a://a:1e3"_s, u"a://a%3A1e3"_s}, // not a port: the colon is part of the host
    };
    for (const auto& [text, normalised] : cases) {
        SCOPED_TRACE(text.toStdString());
        clsGenericURI uri = uriOf(text);
        EXPECT_EQ(uri.NormalisedText(), normalised);
        uri.setNormalisedText(text);
        EXPECT_EQ(uri.Text(), normalised);
        // The normalised text reads back as the same URI.
        EXPECT_EQ(components(uriOf(normalised)), components(uri));
        EXPECT_EQ(uriOf(normalised).NormalisedText(), normalised);
    }
}

using ClsGenericURITrace = ServiceFixture;

TEST_F(ClsGenericURITrace, MembersAnnounceThemselvesAndLeaveOnErrors)
{
    clsGenericURI uri;
    uri.setPort(u"80"_s);
    EXPECT_EQ(uri.Port(), u"80"_s);
    EXPECT_EQ(errorHandler->events.filter(u"enter"_s),
              (QStringList{u"enter clsGenericURI.Property Port"_s, u"enter clsGenericURI.Function Escape"_s,
                           u"enter clsGenericURI.Property Port"_s, u"enter clsGenericURI.Function Unescape"_s}));
    Dictionary withObject;
    withObject.add(u"o"_s, Variant(ObjectRef(std::make_shared<Dictionary>())));
    EXPECT_THROW(uri.LoadQueryDictionary(withObject), AutomationError);
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

} // namespace
