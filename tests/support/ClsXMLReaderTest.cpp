#include "common/TestFiles.h"
#include "fakes/ServiceFixture.h"
#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "support/clsXMLReader.h"
#include "support/clsXMLReaderEvents.h"
#include "support/XmlMarkupText.h"
#include "support/XmlReaderNoEvents.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Writes every event as one line, so that whole sequences compare at once.
class EventLog : public clsXMLReaderEvents {
public:
    QStringList lines;
    // Called after an event is written, with its name; lets a test act from inside a handler.
    std::function<void(const QString&)> onEvent;

    void documentLocator(const QString& name) override { add(u"documentLocator("_s + name + u')'); }
    void startDocument() override { add(u"startDocument"_s); }
    void endDocument() override { add(u"endDocument"_s); }
    void startPrefixMapping() override { add(u"startPrefixMapping"_s); }
    void endPrefixMapping() override { add(u"endPrefixMapping"_s); }
    void startElement(const QString& uri, const QString& local, const QString& qName,
                      const Dictionary& attributes) override
    {
        QStringList pairs;
        for (const QString& key : attributes.keys())
            pairs.append(key + u'=' + attributes.itemIfPresent(key).toString());
        add(u"startElement("_s + uri + u'|' + local + u'|' + qName + u"|{"_s + pairs.join(u',') + u"})"_s);
    }
    void endElement(const QString& uri, const QString& local, const QString& qName) override
    {
        add(u"endElement("_s + uri + u'|' + local + u'|' + qName + u')');
    }
    void characters(const QString& text, qint32 start, qint32 length) override
    {
        add(u"characters("_s + text + u'|' + QString::number(start) + u'|' + QString::number(length) + u')');
    }
    void ignorableWhitespace(const QString& text, qint32 start, qint32 length) override
    {
        add(u"ignorableWhitespace("_s + text + u'|' + QString::number(start) + u'|' + QString::number(length) + u')');
    }
    void processingInstruction(const QString& target, const QString& data) override
    {
        add(u"processingInstruction("_s + target + u'|' + data + u')');
    }
    void skippedEntity() override { add(u"skippedEntity"_s); }
    void Comment(const QString& text) override { add(u"Comment("_s + text + u')'); }
    void Warning() override { add(u"Warning"_s); }
    void Error() override { add(u"Error"_s); }
    void FatalError(const QString& message) override { add(u"FatalError("_s + message + u')'); }

private:
    void add(const QString& line)
    {
        lines.append(line);
        if (onEvent)
            onEvent(line.section(u'(', 0, 0));
    }
};

// XML text as Parse takes it: one character per byte of its UTF-8 form.
QString xmlText(const QByteArray& utf8)
{
    return Ansi::toUnicode(utf8);
}

struct ParseResult {
    QStringList events;
    qint32 error = 0;
    QString description;
};

// What a reader raised while `feed` gave it its input.
ParseResult parseWith(const std::function<void(clsXMLReader&)>& feed)
{
    EventLog log;
    clsXMLReader reader(&log);
    ParseResult result;
    try {
        feed(reader);
    } catch (const AutomationError& error) {
        result.error = error.number();
        result.description = error.description();
    }
    result.events = log.lines;
    return result;
}

ParseResult parse(const QString& source)
{
    return parseWith([&](clsXMLReader& reader) { reader.Parse(source); });
}

QStringList framed(const QStringList& inner)
{
    return QStringList{u"documentLocator()"_s, u"startDocument"_s} + inner + QStringList{u"endDocument"_s};
}

class XmlFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_folder.filePath(name);
        EXPECT_TRUE(TestFiles::write(path, bytes));
        return path;
    }

    QTemporaryDir m_folder;
};

struct EventCase {
    const char* name;
    QByteArray xml;
    QStringList events;
};

TEST(ClsXMLReader, RaisesTheEventSequenceOfEachConstruct)
{
    const EventCase cases[] = {
        {"attributes in both quotes and escaped content", R"(<a x='1' y="2">hi &amp; bye</a>)",
         framed({u"startElement(|a|a|{x=1,y=2})"_s, u"characters(hi & bye|1|8)"_s, u"endElement(|a|a)"_s})},
        {"prefixed empty-element tag", "<p:item/>",
         framed({u"startElement(|item|p:item|{})"_s, u"endElement(|item|p:item)"_s})},
        {"prefixed empty-element tag with a blank", "<p:item />",
         framed({u"startElement(|item|p:item|{})"_s, u"endElement(|item|p:item)"_s})},
        {"empty-element tag with attributes", R"(<a x="1"/>)",
         framed({u"startElement(|a|a|{x=1})"_s, u"endElement(|a|a)"_s})},
        {"declaration and document type are skipped", "<?xml version=\"1.0\"?>\n<!DOCTYPE a>\n<a/>",
         framed({u"startElement(|a|a|{})"_s, u"endElement(|a|a)"_s})},
        {"declaration in upper case is an instruction", "<?XML version=\"1.0\"?><a/>",
         {u"documentLocator()"_s, u"processingInstruction(XML|version=\"1.0\")"_s, u"startDocument"_s,
          u"startElement(|a|a|{})"_s, u"endElement(|a|a)"_s, u"endDocument"_s}},
        {"instruction inside the root, data unescaped", "<a><?show one &lt; two ?></a>",
         framed({u"startElement(|a|a|{})"_s, u"processingInstruction(show|one < two)"_s, u"endElement(|a|a)"_s})},
        {"white space only content", "<a>  </a>",
         framed({u"startElement(|a|a|{})"_s, u"ignorableWhitespace(  |1|2)"_s, u"endElement(|a|a)"_s})},
        {"tabs and line ends are white space too", "<a>\t\r\n </a>",
         framed({u"startElement(|a|a|{})"_s, u"ignorableWhitespace(\t\r\n |1|4)"_s, u"endElement(|a|a)"_s})},
        {"CDATA section reported whole, not unescaped", "<a><![CDATA[a<b&amp;]]></a>",
         framed({u"startElement(|a|a|{})"_s, u"characters(<![CDATA[a<b&amp;]]>|10|8)"_s, u"endElement(|a|a)"_s})},
        {"comment text exactly, not unescaped", "<a><!-- x&amp; --></a>",
         framed({u"startElement(|a|a|{})"_s, u"Comment( x&amp; )"_s, u"endElement(|a|a)"_s})},
        {"comment and CDATA are reported outside the root", "<!--c--><![CDATA[d]]><a/>",
         {u"documentLocator()"_s, u"Comment(c)"_s, u"characters(<![CDATA[d]]>|10|1)"_s, u"startDocument"_s,
          u"startElement(|a|a|{})"_s, u"endElement(|a|a)"_s, u"endDocument"_s}},
        {"comment closed inside its own opening", "<a><!-->x</a>",
         framed({u"startElement(|a|a|{})"_s, u"Comment()"_s, u"characters(x|1|1)"_s, u"endElement(|a|a)"_s})},
        {"text outside the root is never reported", "<a>x</a>between<b/>after",
         framed({u"startElement(|a|a|{})"_s, u"characters(x|1|1)"_s, u"endElement(|a|a)"_s,
                 u"startElement(|b|b|{})"_s, u"endElement(|b|b)"_s})},
        {"end tag name is not compared", "<a></b>", framed({u"startElement(|a|a|{})"_s, u"endElement(|b|b)"_s})},
        {"attributes of an end tag are ignored", "<a></a junk>",
         framed({u"startElement(|a|a|{})"_s, u"endElement(|a|a)"_s})},
        {"quotes of the other kind inside a value", R"(<a x='say "hi"' y="it's"/>)",
         framed({u"startElement(|a|a|{x=say \"hi\",y=it's})"_s, u"endElement(|a|a)"_s})},
        {"blanks, tabs and line ends around names", "<a\tx = \"1\"\n y=\"2\" >t</a >",
         framed({u"startElement(|a|a|{x=1,y=2})"_s, u"characters(t|1|1)"_s, u"endElement(|a|a)"_s})},
        {"attribute values unescaped", R"(<a x="&lt;&amp;&#65;"/>)",
         framed({u"startElement(|a|a|{x=<&A})"_s, u"endElement(|a|a)"_s})},
        {"a > inside a value ends the tag", R"(<a x="1>2">t</a>)",
         framed({u"startElement(|a|a|{})"_s, u"characters(2\">t|1|4)"_s, u"endElement(|a|a)"_s})},
        {"value without quotes ends the attribute list", "<a x=1 y=2>t</a>",
         framed({u"startElement(|a|a|{})"_s, u"characters(t|1|1)"_s, u"endElement(|a|a)"_s})},
        {"a value ends at the next quote of its kind", R"(<a x="1 y="2>t</a>)",
         framed({u"startElement(|a|a|{x=1 y=})"_s, u"characters(t|1|1)"_s, u"endElement(|a|a)"_s})},
        {"unclosed value before a slash: still an empty-element tag", R"(<a x="1/><b/>)",
         framed({u"startElement(|a|a|{})"_s, u"endElement(|a|a)"_s, u"startElement(|b|b|{})"_s,
                 u"endElement(|b|b)"_s})},
        {"empty instruction", "<a><?" "?></a>",
         framed({u"startElement(|a|a|{})"_s, u"processingInstruction(|)"_s, u"endElement(|a|a)"_s})},
        {"input ending inside a tag drops the tag and the text", "<a><b>text</b><c x=\"1",
         framed({u"startElement(|a|a|{})"_s, u"startElement(|b|b|{})"_s, u"characters(text|1|4)"_s,
                 u"endElement(|b|b)"_s})},
        {"text after the last tag is dropped", "<a>x</a><b>tail",
         framed({u"startElement(|a|a|{})"_s, u"characters(x|1|1)"_s, u"endElement(|a|a)"_s,
                 u"startElement(|b|b|{})"_s})},
        {"input ending inside a comment", "<a><!-- never closed > </a>", framed({u"startElement(|a|a|{})"_s})},
        {"no element at all: no document events", "<?pi data?><!-- c -->",
         {u"documentLocator()"_s, u"processingInstruction(pi|data)"_s, u"Comment( c )"_s}},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParseResult result = parse(xmlText(c.xml));
        EXPECT_EQ(result.error, 0) << result.description.toStdString();
        EXPECT_EQ(result.events, c.events);
    }
}

struct UnescapeCase {
    const char* content;
    QString text;
};

TEST(ClsXMLReader, UnescapesContentInItsOrder)
{
    const UnescapeCase cases[] = {
        {"&lt;&gt;&apos;&quot;", u"<>'\""_s},
        {"&#65;&#x42;", u"AB"_s},
        {"&#X43;&#y44;", u"CD"_s},                   // any non-digit after "&#" means hexadecimal
        {"&amp;lt;", u"&lt;"_s},                     // an escaped ampersand is not decoded again
        {"&amp;#65;", u"&#65;"_s},
        {"&#38;#65;", u"A"_s},                      // a decoded "&" starts a reference anew
        {"&#38;#38;#65;", u"A"_s},
        {"&&#35;65;", u"A"_s},                      // and so does a decoded "#" after an "&"
        {"&#65536;&#65;", u"\U00010000A"_s},
        {"&#65;&#1234567;&#66;", u"A&#1234567;&#66;"_s}, // ";" 8 characters after "&": the rest stays
        {"&#65535;&#66;", u"\uFFFF" "B"_s},         // ";" 7 characters after "&" still counts
        {"&#65", u"&#65"_s},
        {"&#233;&#128;", u"é€"_s},                  // codes to 255 are Windows-1252 characters
        {"&#8364;&#x263A;", u"€☺"_s},               // higher codes are Unicode characters
        {"&unknown; & alone", u"&unknown; & alone"_s},
    };
    for (const UnescapeCase& c : cases) {
        SCOPED_TRACE(c.content);
        const ParseResult result = parse(xmlText(QByteArray("<a>") + c.content + "</a>"));
        ASSERT_EQ(result.error, 0) << result.description.toStdString();
        EXPECT_EQ(result.events.value(3),
                  u"characters("_s + c.text + u"|1|"_s + QString::number(c.text.size()) + u')');
    }
}

// The unescaping rule read literally: after each decoded reference, search again from the
// start. Empty when a reference holds no number.
std::optional<QString> literalUnescape(QString text)
{
    for (const auto& [entity, character] : {std::pair{u"&lt;"_s, u"<"_s}, {u"&gt;"_s, u">"_s},
                                            {u"&apos;"_s, u"'"_s}, {u"&quot;"_s, u"\""_s}})
        text.replace(entity, character);
    for (qsizetype amp = text.indexOf(u"&#"_s); amp >= 0; amp = text.indexOf(u"&#"_s)) {
        const qsizetype semicolon = text.indexOf(u';', amp);
        if (semicolon < 0 || semicolon - amp >= 8)
            break;
        const bool decimal = text[amp + 2].isDigit();
        const qsizetype first = amp + (decimal ? 2 : 3);
        bool ok = first < semicolon;
        const uint code = ok ? text.mid(first, semicolon - first).toUInt(&ok, decimal ? 10 : 16) : 0;
        if (!ok || text.mid(first, semicolon - first).contains(u'+'))
            return std::nullopt;
        const char32_t ucs4 = code;
        text.replace(amp, semicolon - amp + 1, code <= 0xFF ? QString(Ansi::character(quint8(code)))
                                                            : QString::fromUcs4(&ucs4, 1));
    }
    return text.replace(u"&amp;"_s, u"&"_s);
}

TEST(ClsXMLReader, UnescapingAgreesWithTheRuleReadLiterally)
{
    // Short texts of pieces that make references meet, overlap and form anew from decoded
    // characters.
    const QString pieces[] = {u"&"_s,     u"#"_s,     u";"_s,     u"&#"_s,    u"38;"_s,  u"35;"_s, u"65;"_s,
                              u"x26;"_s,  u"x3B;"_s,  u"&#38;"_s, u"&#35;"_s, u"&amp;"_s, u"&lt;"_s, u"a"_s,
                              u"1234567;"_s, u"&#x"_s, u"59;"_s};
    QRandomGenerator random(3);
    for (int sample = 0; sample < 30'000; ++sample) {
        QString text;
        for (int count = random.bounded(1, 8); count > 0; --count)
            text += pieces[random.bounded(int(std::size(pieces)))];
        const std::optional<QString> expected = literalUnescape(text);
        try {
            const QString unescaped = XmlMarkupText::unescape(text);
            EXPECT_EQ(std::optional<QString>(unescaped), expected) << text.toStdString();
        } catch (const AutomationError& error) {
            EXPECT_FALSE(expected.has_value()) << text.toStdString();
            EXPECT_EQ(error.number(), 13);
        }
    }
}

struct ErrorCase {
    const char* name;
    QByteArray xml;
    qint32 number;
    // Events raised before the error.
    QStringList events;
};

TEST(ClsXMLReader, RaisesErrorsForMalformedInputAfterTheEventsBeforeThem)
{
    const QStringList rootStarted{u"documentLocator()"_s, u"startDocument"_s, u"startElement(|a|a|{})"_s};
    const ErrorCase cases[] = {
        {"reference without a number", "<a>&#xZZ;</a>", 13, rootStarted},
        {"decimal reference with a letter", "<a>&#6A;</a>", 13, rootStarted},
        {"reference with nothing in it", "<a>&#;</a>", 13, rootStarted},
        {"repeated attribute", R"(<a><b x="1" x="2"/></a>)", 457, rootStarted},
        {"attribute without a name", R"(<a><b ="1"/></a>)", 5, rootStarted},
        {"continuation byte of the wrong form", "<a>\xC3\x28</a>", 321, {}},
        {"lead byte followed by a tag", "<a>\xE2\x82<b/></a>", 321, {}},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParseResult result = parse(xmlText(c.xml));
        EXPECT_EQ(result.error, c.number);
        EXPECT_EQ(result.events, c.events);
    }
}

TEST(ClsXMLReader, NotUtf8IsError321WithItsText)
{
    clsXMLReader reader;
    try {
        reader.Parse(xmlText("<a>\xC3\x28</a>"));
        FAIL() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 321);
        EXPECT_EQ(error.source(), u"pcQUIBAclsXMLReader"_s);
        EXPECT_EQ(error.description(), u"Invalid File Format (not UTF8)"_s);
    }
}

TEST(ClsXMLReader, DecodesUtf8IncludingCharactersBeyondSixteenBits)
{
    const ParseResult result = parse(xmlText("<a t=\"\xC3\xA9\">\xE2\x82\xAC \xF0\x9F\x98\x80</a>"));
    ASSERT_EQ(result.error, 0);
    EXPECT_EQ(result.events.value(2), u"startElement(|a|a|{t=é})"_s);
    EXPECT_EQ(result.events.value(3), u"characters(€ 😀|1|4)"_s);
}

TEST(ClsXMLReader, DropsAnIncompleteSequenceAtTheEndOfText)
{
    EXPECT_EQ(parse(xmlText("<a>x</a>\xE2\x82")).events,
              framed({u"startElement(|a|a|{})"_s, u"characters(x|1|1)"_s, u"endElement(|a|a)"_s}));
}

TEST(ClsXMLReader, ConvertFromUTF8HandsBackAnIncompleteSequence)
{
    clsXMLReader reader;
    QString text = xmlText("a\xC3\xA9\xE2\x82");
    EXPECT_EQ(reader.ConvertFromUTF8(text), u"aé"_s);
    EXPECT_EQ(text, xmlText("\xE2\x82"));

    QString whole = xmlText("\xC3\xA9\xFF\x80");
    EXPECT_EQ(reader.ConvertFromUTF8(whole), u"é\u00FF\u0080"_s); // bytes that start nothing stand for themselves
    EXPECT_TRUE(whole.isEmpty());
}

TEST(ClsXMLReader, EmptySourceIsAFatalErrorEventOnly)
{
    for (const QString& source : {QString(), u"   "_s}) {
        const ParseResult result = parse(source);
        EXPECT_EQ(result.error, 0);
        EXPECT_EQ(result.events, QStringList{u"FatalError(No XML or Filename provided: Nothing to parse)"_s});
    }
}

TEST(ClsXMLReader, AcceptsTwoHundredLevelsAndFailsOnTheNext)
{
    const QByteArray deep = QByteArray("<e>").repeated(200) + QByteArray("</e>").repeated(200);
    const ParseResult accepted = parse(xmlText(deep));
    EXPECT_EQ(accepted.error, 0);
    EXPECT_EQ(accepted.events.size(), 2 + 400 + 1);

    const ParseResult refused = parse(xmlText(QByteArray("<e>").repeated(5000)));
    EXPECT_EQ(refused.error, 9);
    // The 201st start tag is reported, then the element stack overflows.
    EXPECT_EQ(refused.events.size(), 2 + 201);
}

TEST(ClsXMLReader, NamesTheEnclosingElementInsideHandlers)
{
    EventLog log;
    clsXMLReader reader(&log);
    QStringList seen;
    log.onEvent = [&](const QString& event) {
        if (event == u"startElement"_s || event == u"endElement"_s)
            seen.append(event + u':' + reader.CurrentQualifiedName() + u'/' + reader.CurrentLocalName());
    };
    reader.Parse(u"<r><p:a><b/></p:a></r>"_s);
    EXPECT_EQ(seen, (QStringList{u"startElement:/"_s, u"startElement:r/r"_s, u"startElement:p:a/a"_s,
                                 u"endElement:p:a/a"_s, u"endElement:r/r"_s, u"endElement:/"_s}));
    EXPECT_EQ(reader.DocumentName(), u"r"_s);
    EXPECT_EQ(reader.CurrentQualifiedName(), QString());
}

TEST(ClsXMLReader, CancelParseStopsEveryFurtherEvent)
{
    struct CancelCase {
        const char* cancellingEvent;
        QString reason;
        // What the root holds first: the content whose handler cancels.
        QString content;
        QStringList eventsUpToTheCancel;
    };
    const QStringList opened{u"documentLocator()"_s, u"startDocument"_s, u"startElement(|a|a|{})"_s};
    const CancelCase cases[] = {
        {"startElement", QString(), QString(), opened},
        {"startElement", u"stop"_s, QString(), opened},
        {"characters", QString(), u"text"_s, opened + QStringList{u"characters(text|1|4)"_s}},
        {"ignorableWhitespace", QString(), u" "_s, opened + QStringList{u"ignorableWhitespace( |1|1)"_s}},
        {"characters", QString(), u"<![CDATA[x]]>"_s, opened + QStringList{u"characters(<![CDATA[x]]>|10|1)"_s}},
        {"Comment", QString(), u"<!--c-->"_s, opened + QStringList{u"Comment(c)"_s}},
        {"processingInstruction", QString(), u"<?p d?>"_s, opened + QStringList{u"processingInstruction(p|d)"_s}},
        {"endElement", QString(), u"<b/>"_s, opened + QStringList{u"startElement(|b|b|{})"_s, u"endElement(|b|b)"_s}},
    };
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.cancellingEvent);
        EventLog log;
        clsXMLReader reader(&log);
        log.onEvent = [&](const QString& event) {
            if (event == QLatin1StringView(c.cancellingEvent))
                reader.cancelParse(c.reason);
        };
        reader.Parse(u"<a>"_s + c.content + u"<c>more</c> <!--x--><?q r?><d/></a>"_s);
        const QString message = c.reason.isEmpty() ? u"Parsing cancelled"_s : c.reason;
        EXPECT_EQ(log.lines, c.eventsUpToTheCancel + QStringList{u"FatalError("_s + message + u')'});
        EXPECT_EQ(reader.DocumentName(), u"a"_s);
    }
}

TEST(ClsXMLReader, CanParseAgainAfterACancelOrAnError)
{
    EventLog log;
    clsXMLReader reader(&log);
    log.onEvent = [&](const QString& event) {
        if (event == u"startDocument"_s && reader.DocumentName() == u"first"_s)
            reader.cancelParse(QString());
    };
    reader.Parse(u"<first/>"_s);
    EXPECT_THROW(reader.Parse(u"<a>&#q;</a>"_s), AutomationError);
    log.lines.clear();
    reader.Parse(u"<second/>"_s);
    EXPECT_EQ(log.lines, framed({u"startElement(|second|second|{})"_s, u"endElement(|second|second)"_s}));
    EXPECT_EQ(reader.DocumentName(), u"second"_s);
}

TEST(ClsXMLReader, AHandlerThatParsesAgainEndsTheOuterParseSafely)
{
    EventLog log;
    clsXMLReader reader(&log);
    bool nested = false;
    log.onEvent = [&](const QString& event) {
        if (event == u"characters"_s && !nested) {
            nested = true;
            reader.Parse(u"<inner/>"_s);
        }
    };
    reader.Parse(u"<outer>text<more/>and more</outer>"_s);
    // The inner parse takes over the reader; the outer one stops where the inner one ended,
    // and raises nothing more than its own end.
    EXPECT_EQ(log.lines, (QStringList{u"documentLocator()"_s, u"startDocument"_s, u"startElement(|outer|outer|{})"_s,
                                      u"characters(text|1|4)"_s, u"documentLocator()"_s, u"startDocument"_s,
                                      u"startElement(|inner|inner|{})"_s, u"endElement(|inner|inner)"_s,
                                      u"endDocument"_s, u"endDocument"_s}));
}

// A handler that parses again on the same reader still holds what its own event gave it: the
// inner parse has tables of its own, even for a tag of the same shape.
TEST(ClsXMLReader, AHandlerThatParsesAgainKeepsItsAttributes)
{
    class ParsingAgain : public XmlReaderNoEvents {
    public:
        clsXMLReader* reader = nullptr;
        QStringList seen;
        void startElement(const QString&, const QString& localName, const QString& qName,
                          const Dictionary& attributes) override
        {
            if (!seen.isEmpty() || qName != u"outer"_s)
                return;
            seen = {u"parsing again"_s};
            reader->Parse(u"<outer x='2'><outer x='3'/></outer>"_s);
            seen = {localName, qName, attributes.itemIfPresent(u"x"_s).toString()};
        }
    } handler;
    clsXMLReader reader(&handler);
    handler.reader = &reader;
    reader.Parse(u"<outer x='1'/>"_s);
    EXPECT_EQ(handler.seen, (QStringList{u"outer"_s, u"outer"_s, u"1"_s}));
}

// Readers pass their names and attribute shapes on to the next reader: values must follow each
// tag, and a reader made inside another one's handler must not change what that handler holds.
TEST(ClsXMLReader, TagsOfOneShapeCarryTheirOwnValuesAcrossReaders)
{
    const QString xml = u"<r><a x='1' y='2'/><a x='1' y='3'/><a x='4' y='3'/><a x='' y='3'/></r>"_s;
    const QStringList expected = framed({u"startElement(|r|r|{})"_s,
                                         u"startElement(|a|a|{x=1,y=2})"_s, u"endElement(|a|a)"_s,
                                         u"startElement(|a|a|{x=1,y=3})"_s, u"endElement(|a|a)"_s,
                                         u"startElement(|a|a|{x=4,y=3})"_s, u"endElement(|a|a)"_s,
                                         u"startElement(|a|a|{x=,y=3})"_s, u"endElement(|a|a)"_s,
                                         u"endElement(|r|r)"_s});
    EXPECT_EQ(parse(xml).events, expected);
    EXPECT_EQ(parse(xml).events, expected);

    class Nesting : public EventLog {
    public:
        void startElement(const QString& uri, const QString& local, const QString& qName,
                          const Dictionary& attributes) override
        {
            EventLog::startElement(uri, local, qName, attributes);
            const QString before = attributes.itemIfPresent(u"x"_s).toString();
            if (inner.isEmpty())
                inner = parse(u"<a x='2'><a x='3'/></a>"_s).events;
            held.append(before + u'/' + attributes.itemIfPresent(u"x"_s).toString());
        }
        QStringList inner;
        QStringList held;
    };
    Nesting outer;
    clsXMLReader reader(&outer);
    reader.Parse(u"<a x='1'><a x='5'/></a>"_s);
    EXPECT_EQ(outer.held, (QStringList{u"1/1"_s, u"5/5"_s}));
    EXPECT_EQ(outer.inner, framed({u"startElement(|a|a|{x=2})"_s, u"startElement(|a|a|{x=3})"_s,
                                   u"endElement(|a|a)"_s, u"endElement(|a|a)"_s}));
}

TEST(ClsXMLReader, WithdrawnMembersRaise421)
{
    clsXMLReader reader;
    const std::pair<std::function<void()>, QString> members[] = {
        {[&] { reader.getFeature(u"f"_s); }, u"Feature = f. getFeature Method has been deprecated"_s},
        {[&] { reader.setFeature(u"f"_s, true); }, u"Feature = f. setFeature Method has been deprecated"_s},
        {[&] { reader.GetProperty(u"p"_s); }, u"Property = p. getProperty Method has been deprecated"_s},
        {[&] { reader.SetProperty(u"p"_s, Variant(1)); }, u"Property = p. setProperty Method has been deprecated"_s},
    };
    for (const auto& [call, description] : members) {
        try {
            call();
            ADD_FAILURE() << "no error for " << description.toStdString();
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), 421);
            EXPECT_EQ(error.source(), u"pcQUIBAclsXMLReader"_s);
            EXPECT_EQ(error.description(), description);
        }
    }
}

using ClsXMLReaderTrace = ServiceFixture;

TEST_F(ClsXMLReaderTrace, ParseAnnouncesItselfAndRecordsItsErrors)
{
    clsXMLReader reader;
    reader.Parse(u"<a/>"_s);
    EXPECT_EQ(errorHandler->events,
              (QStringList{u"enter clsXMLReader.Sub Parse"_s, u"enter clsXMLReader.Function ConvertFromUTF8"_s,
                           u"leave"_s, u"leave"_s}));
    errorHandler->events.clear();
    EXPECT_THROW(reader.Parse(u"<a>&#q;</a>"_s), AutomationError);
    EXPECT_EQ(errorHandler->events.mid(3), (QStringList{u"record 13 clsXMLReader.Sub Parse"_s, u"mode 3"_s, u"leave"_s}));
    errorHandler->events.clear();
    EXPECT_THROW(reader.getFeature(u"x"_s), AutomationError);
    EXPECT_EQ(errorHandler->events, (QStringList{u"enter clsXMLReader.Function getFeature"_s, u"leave"_s}));
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(XmlFiles, MissingFileIsError53WithItsName)
{
    const QString name = m_folder.filePath(u"absent.xml"_s);
    EventLog log;
    clsXMLReader reader(&log);
    try {
        reader.Parse(name);
        FAIL() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.description(), u"File "_s + name + u" not found"_s);
    }
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST_F(XmlFiles, FileInputNamesTheFileAndReportsLikeText)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?><doc a="1"><t>x &amp; y</t></doc>)";
    const QString path = write(u"doc.xml"_s, xml);
    const ParseResult fromFile = parse(path);
    QStringList expected = parse(xmlText(xml)).events;
    expected.first() = u"documentLocator("_s + path + u')';
    EXPECT_EQ(fromFile.events, expected);
}

// A document whose multi-byte characters straddle every chunk boundary of the first chunks.
QByteArray straddlingDocument()
{
    const QByteArray characters[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    QByteArray xml = "<doc>";
    for (int chunk = 1; chunk <= 9; ++chunk) {
        const QByteArray& character = characters[chunk % 3];
        const qsizetype boundary = chunk * clsXMLReader::kFileChunk;
        // Text fills the chunk up to where the character must start for split of its bytes
        // to lie before the boundary.
        const qsizetype split = 1 + chunk % (character.size() - 1);
        xml += QByteArray("<t>") + QByteArray(boundary - split - xml.size() - 3 - 4, 'x');
        xml += "</t>";
        xml += character;
    }
    return xml + "<t>end</t></doc>";
}

TEST_F(XmlFiles, ChunksThatSplitASequenceDecodeAsIfReadWhole)
{
    const QByteArray xml = straddlingDocument();
    for (qsizetype boundary = clsXMLReader::kFileChunk; boundary < 10 * clsXMLReader::kFileChunk;
         boundary += clsXMLReader::kFileChunk)
        ASSERT_EQ(quint8(xml[boundary]) & 0xC0, 0x80) << "no sequence split at " << boundary;
    const QString path = write(u"split.xml"_s, xml);
    const ParseResult fromFile = parse(path);
    ParseResult whole = parse(xmlText(xml));
    whole.events.first() = u"documentLocator("_s + path + u')';
    ASSERT_EQ(fromFile.error, 0) << fromFile.description.toStdString();
    EXPECT_EQ(fromFile.events, whole.events);
    EXPECT_EQ(fromFile.events.filter(u"€"_s).size(), 3);
    EXPECT_EQ(fromFile.events.filter(u"😀"_s).size(), 3);
}

TEST_F(XmlFiles, TagsAndTextLongerThanAChunkStayWhole)
{
    const QByteArray value(250'000, 'v');
    const QByteArray content(300'000, 'c');
    const QByteArray comment(5'000, '-');
    const QString path = write(u"long.xml"_s, "<a x=\"" + value + "\"><!--" + comment + " -->" + content + "</a>");
    const ParseResult result = parse(path);
    ASSERT_EQ(result.error, 0);
    ASSERT_EQ(result.events.size(), 7);
    EXPECT_EQ(result.events[2], u"startElement(|a|a|{x="_s + QString::fromLatin1(value) + u"})"_s);
    EXPECT_EQ(result.events[3], u"Comment("_s + QString::fromLatin1(comment) + u" )"_s);
    EXPECT_EQ(result.events[4], u"characters("_s + QString::fromLatin1(content) + u"|1|300000)"_s);
}

QByteArray manyAttributes(int count)
{
    QByteArray xml = "<a";
    for (int i = 0; i < count; ++i)
        xml += " n" + QByteArray::number(i) + "='v'";
    return xml + ">text</a>";
}

TEST_F(XmlFiles, BadDocumentsEndInEventsOrAnErrorNeverAHang)
{
    QByteArray garbage(20'000, '\0');
    QRandomGenerator random(7);
    for (char& byte : garbage)
        byte = char(random.bounded(256));
    struct BadCase {
        const char* name;
        QByteArray bytes;
        qint32 error;
    };
    const BadCase cases[] = {
        {"binary", garbage, 321},
        {"truncated in a tag", "<a><b x='1' y='", 0},
        {"truncated in a sequence", "<a>\xE2\x82", 0},
        {"deeply nested", QByteArray("<e>").repeated(100'000), 9},
        {"huge attribute without its closing quote", "<a x=\"" + QByteArray(2'000'000, 'q'), 0},
        {"huge unterminated comment", "<a><!--" + QByteArray(2'000'000, '-'), 0},
        {"a tag of a hundred thousand attributes", manyAttributes(100'000), 0},
        {"a million numeric references", "<a>" + QByteArray("&#65;").repeated(1'000'000) + "&#1234567;</a>", 0},
        {"latin-1 instead of UTF-8", "<a>caf\xE9 cr\xE8me</a>", 321},
        {"nothing but text", "no markup at all", 0},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParseResult result = parse(write(u"bad.xml"_s, c.bytes));
        EXPECT_EQ(result.error, c.error) << result.description.toStdString();
        EXPECT_FALSE(result.events.isEmpty());
    }
}

// Bytes the caller read from a file parse exactly as the file does: the same chunks, so the
// same events before the same error.
TEST_F(XmlFiles, BytesReadByTheCallerParseAsTheFileDoes)
{
    const QByteArray threeChunks = "<a>" + QByteArray("<t>text</t>").repeated(200);
    const QByteArray exactChunks = "<d>" + QByteArray(2 * clsXMLReader::kFileChunk - 7, 'x') + "</d>";
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"sequences split at chunk boundaries", straddlingDocument()},
        {"not UTF-8 in the third chunk", threeChunks + "caf\xE9</a>"},
        {"truncated in a tag", "<a><b x='1' y='"},
        {"two whole chunks", exactChunks},
        {"empty", {}},
        {"no markup", "no markup at all"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(u"bytes.xml"_s, c.bytes);
        const ParseResult fromFile = parse(path);
        const ParseResult fromBytes = parseWith([&](clsXMLReader& reader) { reader.ParseFileBytes(path, c.bytes); });
        EXPECT_EQ(fromBytes.events, fromFile.events);
        EXPECT_EQ(fromBytes.error, fromFile.error);
        EXPECT_EQ(fromBytes.description, fromFile.description);
    }
}

// Text handed over as its bytes parses as the same text handed over as a string.
TEST_F(XmlFiles, TextAsBytesParsesAsTheSameText)
{
    const QString path = write(u"named.xml"_s, "<n/>");
    const QByteArray cases[] = {
        "  <a x='1'>caf\xC3\xA9 \x80\x9F</a>  ",
        "<a>\xE2\x82",
        "<a>caf\xE9</a>",
        "   ",
        "",
        path.toUtf8(),
        " " + path.toUtf8() + " ",
        "no/such/file",
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        const ParseResult asText = parse(Ansi::toUnicode(bytes));
        const ParseResult asBytes = parseWith([&](clsXMLReader& reader) { reader.ParseTextBytes(bytes); });
        EXPECT_EQ(asBytes.events, asText.events);
        EXPECT_EQ(asBytes.error, asText.error);
        EXPECT_EQ(asBytes.description, asText.description);
    }
}

// Text input is read in chunks like a file, but all of it is checked before the first event:
// text that is not UTF-8 far beyond the first chunk raises 321 with no event, and a sequence
// cut off by the end of the text is dropped as before.
TEST(ClsXMLReader, LongTextIsCheckedWholeBeforeItsFirstEvent)
{
    constexpr int kElements = 400; // about five chunks
    const QByteArray body = QByteArray("<t>caf\xC3\xA9</t>").repeated(kElements);
    const struct {
        const char* name;
        QByteArray tail;
        qint32 error;
    } cases[] = {
        {"continuation byte of the wrong form", "\xC3\x28</a>", 321},
        {"lead byte cut off by a tag", "\xE2\x82<b/></a>", 321},
        {"lead byte cut off by an ASCII byte", "\xE2x</a>", 321},
        {"value beyond the last character", "\xF7\xBF\xBF\xBF</a>", 321},
        {"sequence cut off by the end", "</a>\xE2\x82", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray xml = "<a>" + body + c.tail;
        const ParseResult asText = parse(Ansi::toUnicode(xml));
        EXPECT_EQ(asText.error, c.error);
        if (c.error != 0)
            EXPECT_EQ(asText.events, QStringList());
        else {
            EXPECT_EQ(asText.events.count(u"characters(café|1|4)"_s), kElements);
            EXPECT_EQ(asText.events.value(asText.events.size() - 1), u"endDocument"_s);
        }
        const ParseResult asBytes = parseWith([&](clsXMLReader& reader) { reader.ParseTextBytes(xml); });
        EXPECT_EQ(asBytes.events, asText.events);
        EXPECT_EQ(asBytes.error, asText.error);
    }
}

TEST_F(XmlFiles, AnEmptyFileRaisesOnlyTheLocator)
{
    const QString path = write(u"empty.xml"_s, {});
    EXPECT_EQ(parse(path).events, QStringList{u"documentLocator("_s + path + u')'});
}


TEST(XmlMarkupTextTest, FindGivesTheFirstCharacterAtOrAfterTheStart)
{
    const struct {
        const char16_t* text;
        char16_t character;
        qsizetype from;
        qsizetype expected;
    } cases[] = {
        {u"a=\"1\" b=\"2\"", u'=', 0, 1},  {u"a=\"1\" b=\"2\"", u'=', 1, 1}, {u"a=\"1\" b=\"2\"", u'=', 2, 7},
        {u"a=\"1\" b=\"2\"", u'=', 8, -1}, {u"a=\"1\"", u'"', 5, -1},        {u"a=\"1\"", u'"', 9, -1},
        {u"", u'=', 0, -1},                {u"x:y", u':', 0, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XmlMarkupText::find(QStringView(c.text), QChar(c.character), c.from), c.expected)
            << QString::fromUtf16(c.text).toStdString() << " from " << c.from;
}

// The end of a file is found by the short read that meets it; a file that fills its last
// chunk exactly ends with an empty read. Either way the whole document is read, as from text.
TEST_F(XmlFiles, FilesEndingAtAndAroundAChunkBoundaryAreReadToTheirEnd)
{
    for (const qsizetype size : {clsXMLReader::kFileChunk - 1, clsXMLReader::kFileChunk,
                                 clsXMLReader::kFileChunk + 1, 2 * clsXMLReader::kFileChunk}) {
        const QByteArray head = "<doc><t>";
        const QByteArray tail = "</t><end/></doc>";
        const QByteArray xml = head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
        ASSERT_EQ(xml.size(), size);
        const QString path = write(u"sized.xml"_s, xml);
        QStringList expected = parse(QString::fromLatin1(xml)).events;
        ASSERT_EQ(expected.value(0), u"documentLocator()"_s);
        EXPECT_EQ(expected.last(), u"endDocument"_s);
        expected[0] = u"documentLocator("_s + path + u')';
        EXPECT_EQ(parse(path).events, expected) << size << " bytes";
    }
}

} // namespace
