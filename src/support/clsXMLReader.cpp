#include "support/clsXMLReader.h"

#include "services/ProcedureFrame.h"
#include "platform/Ansi.h"
#include "platform/ExecutableInfo.h"
#include "platform/RuntimeErrors.h"
#include "support/Utf8Decoder.h"
#include "support/XmlMarkupText.h"
#include "support/XmlReaderNoEvents.h"
#include "support/XmlReaderTables.h"
#include "support/XmlTextInput.h"
#include "support/clsXMLReaderEvents.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kCommentOpen = u"<!--";
constexpr QStringView kCdataOpen = u"<![CDATA[";
// Characters of "<!--" before the text and of "<!--" plus "-->" around it.
constexpr qsizetype kCommentTextStart = 4;
constexpr qsizetype kCommentMarkup = 7;
// "<![CDATA[" before the section's text and "<![CDATA[" plus "]]>" around it.
constexpr qint32 kCdataTextStart = 10;
constexpr qsizetype kCdataMarkup = 12;
// Runs of white space up to this long between tags are kept in the name table.
constexpr qsizetype kKeptWhitespace = 64;
// Attribute values up to this long are kept in the name table.
constexpr qsizetype kKeptValue = 16;

QString sourceName()
{
    return ExecutableInfo::name() + clsXMLReader::kClassName;
}

constexpr QStringView kCommentClose = u"-->";
constexpr QStringView kCdataClose = u"]]>";
constexpr QStringView kTagClose = u">";

bool isMarkupDeclaration(QStringView tag)
{
    return tag.size() > 1 && tag[1] == u'!';
}

// The text that ends a tag beginning at the given "<" (one of the three constants, so that
// the kinds compare by address).
QStringView terminatorAt(QStringView buffer)
{
    if (!isMarkupDeclaration(buffer))
        return kTagClose;
    if (buffer.startsWith(kCommentOpen))
        return kCommentClose;
    if (buffer.startsWith(kCdataOpen))
        return kCdataClose;
    return kTagClose;
}


// Blanks::trim for text held as bytes: blanks (code 32) only.
QByteArrayView trimBlanks(QByteArrayView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == ' ')
        ++start;
    while (end > start && text[end - 1] == ' ')
        --end;
    return text.sliced(start, end - start);
}

[[noreturn]] void raiseNotUtf8()
{
    RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat, sourceName(), u"Invalid File Format (not UTF8)"_s);
}

// Decodes the complete sequences at the front of bytes onto the end of text and drops them
// from bytes; what is left is one sequence that runs past the end.
void decodeInto(QByteArray& bytes, QString& text)
{
    const Utf8Decoder::Result result = Utf8Decoder::decode(bytes, text);
    if (result.status != Utf8Decoder::Status::Decoded)
        raiseNotUtf8();
    bytes.remove(0, result.used);
}

[[noreturn]] void raiseWithdrawn(ProcedureFrame& frame, const QString& description)
{
    frame.raise(RuntimeErrors::error(RuntimeErrors::WithdrawnMember, sourceName(), description));
}

} // namespace

clsXMLReader::clsXMLReader(clsXMLReaderEvents* events) : m_events(events), m_tables(XmlReaderTables::take()) {}

clsXMLReader::~clsXMLReader()
{
    XmlReaderTables::giveBack(std::move(m_tables));
}

void clsXMLReader::setEvents(clsXMLReaderEvents* events)
{
    m_events = events;
}

clsXMLReaderEvents& clsXMLReader::events() const
{
    static XmlReaderNoEvents none;
    return m_events ? *m_events : none;
}

void clsXMLReader::Parse(const QString& source)
{
    ProcedureFrame frame(u"Sub Parse"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        startParse();
        // Blanks only, as Blanks::trim takes them off, without copying the text.
        const QStringView text = XmlMarkupText::trimBlanks(source);
        if (text.isEmpty()) {
            events().FatalError(u"No XML or Filename provided: Nothing to parse"_s);
            return;
        }
        if (text.startsWith(u'<')) {
            parseText(std::make_unique<XmlTextInput>(text));
            return;
        }
        const QString trimmed = text.toString();
        if (!QFileInfo(trimmed).isFile())
            frame.raise(RuntimeErrors::error(RuntimeErrors::FileNotFound, sourceName(),
                                             u"File "_s + trimmed + u" not found"_s));
        parseFile(trimmed);
    });
}

void clsXMLReader::ParseFileBytes(const QString& fileName, const QByteArray& bytes)
{
    ProcedureFrame frame(u"Sub Parse"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        startParse();
        auto content = std::make_unique<QBuffer>();
        content->setData(bytes);
        content->open(QIODevice::ReadOnly);
        parseInput(std::move(content), fileName);
    });
}

void clsXMLReader::startParse()
{
    m_documentStarted = false;
    m_stopped = false;
    m_documentName.clear();
}

void clsXMLReader::ParseTextBytes(const QByteArray& text)
{
    const QByteArrayView trimmed = trimBlanks(text);
    // Only XML text is taken here; anything else (nothing, or a file name) goes as Parse takes it.
    if (!trimmed.startsWith('<')) {
        Parse(Ansi::toUnicode(text));
        return;
    }
    ProcedureFrame frame(u"Sub Parse"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        startParse();
        parseText(std::make_unique<XmlTextInput>(trimmed));
    });
}

void clsXMLReader::parseText(std::unique_ptr<XmlTextInput> text)
{
    // Text that is not UTF-8 raises its error before any event, as when it was decoded whole.
    ProcedureFrame frame(u"Function ConvertFromUTF8"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        if (!text->isUtf8())
            raiseNotUtf8();
    });
    // Read in parts like a file; an incomplete sequence at the very end is dropped.
    parseInput(std::move(text), QString(), true);
}

void clsXMLReader::parseFile(const QString& fileName)
{
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::ReadOnly))
        RuntimeErrors::raise(RuntimeErrors::PermissionDenied);
    parseInput(std::move(file), fileName);
}

void clsXMLReader::parseInput(std::unique_ptr<QIODevice> input, const QString& locator, bool checkedText)
{
    // A handler may start another parse on this reader. The text and the tables of the parse
    // that raised the event stay alive and unchanged until it returns: that parse still points
    // into its text, and the handler may hold names and attributes from its tables.
    QString outerBuffer;
    std::unique_ptr<XmlReaderTables> outerTables;
    if (m_parsing) {
        outerBuffer = std::move(m_buffer);
        outerTables = std::exchange(m_tables, XmlReaderTables::take());
    }
    ++m_parsing;
    const auto restore = qScopeGuard([&] {
        --m_parsing;
        m_file.reset();
        if (outerTables) {
            XmlReaderTables::giveBack(std::exchange(m_tables, std::move(outerTables)));
            m_buffer = std::move(outerBuffer);
        }
    });
    m_file = std::move(input);
    m_checkedText = checkedText;
    m_fileEnded = false;
    m_buffer.clear();
    m_consumed = 0;
    events().documentLocator(locator);
    zParseXML();
}

void clsXMLReader::zParseXML()
{
    m_depth = 0;
    m_undecoded.clear();
    m_openScanFrom = 0;
    m_terminatorTagStart = -1;
    if (fileHasMore())
        readMore();
    if (m_consumed == m_buffer.size())
        m_stopped = true;
    while (!m_stopped) {
        lookAhead();
        bool found = zFindBrackets();
        while (!found && fileHasMore()) {
            readMore();
            found = zFindBrackets();
        }
        if (!found) {
            // End of input inside a tag: the incomplete tag and the text after the last tag are
            // dropped.
            m_stopped = true;
            break;
        }
        // The text stays alive even if a handler starts another parse on this reader, which
        // stops this loop (see parseInput).
        const QStringView tag = QStringView(m_buffer).sliced(m_tagStart, m_tagEnd - m_tagStart + 1);
        const qsizetype next = m_tagEnd + 1;
        takeTextBeforeTag();
        // A text handler that cancelled leaves the tag after the text unread.
        if (m_stopped)
            break;
        m_consumed = next;
        processTag(tag);
    }
    if (m_documentStarted)
        events().endDocument();
}

bool clsXMLReader::fileHasMore() const
{
    return m_file && !m_fileEnded;
}

void clsXMLReader::readMore()
{
    const QByteArray chunk = m_file->read(kFileChunk);
    // Only a short read can be the end (or a failure). The file is asked then and not before
    // every tag: once its buffer is drained, each such question costs a stat of the file.
    if (chunk.size() < kFileChunk) {
        m_fileEnded = m_file->atEnd();
        if (chunk.isEmpty() && !m_fileEnded)
            RuntimeErrors::raise(RuntimeErrors::DeviceIoError);
    }
    m_undecoded.append(chunk);
    compactBuffer();
    // Text input was checked whole, under one announcement, before its first event.
    if (m_checkedText)
        decodeInto(m_undecoded, m_buffer);
    else
        decodeChunk(m_undecoded);
}

void clsXMLReader::compactBuffer()
{
    // Consumed text goes only once it is at least half the buffer, so that dropping it costs
    // no more than the text read since the last time.
    if (m_consumed == 0 || m_consumed * 2 < m_buffer.size())
        return;
    const qsizetype shift = m_consumed;
    m_buffer.remove(0, shift);
    m_consumed = 0;
    m_openScanFrom = std::max<qsizetype>(0, m_openScanFrom - shift);
    m_terminatorTagStart = -1;
}

void clsXMLReader::decodeChunk(QByteArray& bytes)
{
    ProcedureFrame frame(u"Function ConvertFromUTF8"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] { decodeInto(bytes, m_buffer); });
}

QString clsXMLReader::ConvertFromUTF8(QString& text)
{
    QByteArray bytes = Ansi::fromUnicode(text);
    ProcedureFrame frame(u"Function ConvertFromUTF8"_s, kClassName);
    QString decoded;
    frame.run(ErrorExit::rethrow(), [&] { decodeInto(bytes, decoded); });
    text = Ansi::toUnicode(bytes);
    return decoded;
}

void clsXMLReader::lookAhead()
{
    if (!fileHasMore())
        return;
    // Position of the first "<" counted from 1, 0 when there is none.
    const qsizetype open = findTagStart();
    const qsizetype position = open < 0 ? 0 : open - m_consumed + 1;
    if (position > m_buffer.size() - m_consumed - kLookAhead)
        readMore();
}

qsizetype clsXMLReader::findTagStart()
{
    m_openScanFrom = std::max(m_openScanFrom, m_consumed);
    const qsizetype open = XmlMarkupText::find(m_buffer, u'<', m_openScanFrom);
    m_openScanFrom = open < 0 ? m_buffer.size() : open;
    return open;
}

bool clsXMLReader::zFindBrackets()
{
    m_tagEnd = -1;
    m_tagStart = findTagStart();
    if (m_tagStart < 0)
        return false;
    const QStringView terminator = terminatorAt(QStringView(m_buffer).sliced(m_tagStart));
    // The search for the terminator resumes where it stopped, unless this is another tag or
    // its kind is only now known (a "<!-" completed to "<!--" by more input).
    if (m_terminatorTagStart != m_tagStart || m_terminator != terminator.data()) {
        m_terminatorTagStart = m_tagStart;
        m_terminator = terminator.data();
        m_terminatorScanFrom = m_tagStart;
    }
    const qsizetype found = terminator.size() == 1 ? XmlMarkupText::find(m_buffer, terminator.front(), m_terminatorScanFrom)
                                                   : m_buffer.indexOf(terminator, m_terminatorScanFrom);
    if (found < 0) {
        // The terminator may still begin in the last characters.
        m_terminatorScanFrom = std::max(m_tagStart, m_buffer.size() - terminator.size() + 1);
        return false;
    }
    m_tagEnd = found + terminator.size() - 1;
    return true;
}

void clsXMLReader::takeTextBeforeTag()
{
    if (m_depth == 0 || m_tagStart == m_consumed)
        return;
    const QStringView raw = QStringView(m_buffer).sliced(m_consumed, m_tagStart - m_consumed);
    if (raw.size() <= kKeptWhitespace && XmlMarkupText::isIgnorableWhitespace(raw)) {
        // The line ends and indentation between tags repeat all through a document: each short
        // run is kept once, like a name, instead of being copied out every time.
        const QString& text = internName(raw);
        events().ignorableWhitespace(text, 1, qint32(text.size()));
        return;
    }
    const QString text = XmlMarkupText::unescape(m_buffer.sliced(m_consumed, m_tagStart - m_consumed));
    if (m_stopped)
        return;
    if (XmlMarkupText::isIgnorableWhitespace(text))
        events().ignorableWhitespace(text, 1, qint32(text.size()));
    else
        events().characters(text, 1, qint32(text.size()));
}

void clsXMLReader::processTag(QStringView tag)
{
    const QStringView currentText = XmlMarkupText::trimBlanks(tag.sliced(1, tag.size() - 2));
    if (currentText.startsWith(u'?') && currentText.endsWith(u'?')) {
        processingInstruction(currentText);
        return;
    }
    const QStringView head = XmlMarkupText::head(currentText);
    if (head.startsWith(u'!') && head == u"!DOCTYPE")
        return;
    if (isMarkupDeclaration(tag)) {
        if (tag.startsWith(kCommentOpen)) {
            comment(tag);
            return;
        }
        if (tag.startsWith(kCdataOpen)) {
            cdataSection(tag);
            return;
        }
    }
    if (head.startsWith(u'/')) {
        endTag(head.sliced(1));
        return;
    }
    startTag(head, currentText);
}

void clsXMLReader::processingInstruction(QStringView currentText)
{
    const QStringView inside = currentText.size() >= 2 ? currentText.sliced(1, currentText.size() - 2) : QStringView();
    const QStringView instruction = XmlMarkupText::trimControls(inside);
    const QStringView target = XmlMarkupText::head(instruction);
    // The XML declaration: its encoding is not looked at.
    if (target == u"xml" || m_stopped)
        return;
    const QString data = XmlMarkupText::unescape(XmlMarkupText::tail(instruction).toString());
    events().processingInstruction(target.toString(), data);
}

void clsXMLReader::comment(QStringView tag)
{
    if (m_stopped)
        return;
    // "<!-->" and "<!--->" end inside their own opening and hold no text.
    const qsizetype length = std::max<qsizetype>(0, tag.size() - kCommentMarkup);
    events().Comment(tag.sliced(kCommentTextStart, length).toString());
}

void clsXMLReader::cdataSection(QStringView tag)
{
    if (m_stopped)
        return;
    events().characters(tag.toString(), kCdataTextStart, qint32(tag.size() - kCdataMarkup));
}

void clsXMLReader::startTag(QStringView head, QStringView currentText)
{
    // "<name/>": the slash belongs to the tag, not to the name.
    QString closedText;
    if (head.endsWith(u'/')) {
        head.chop(1);
        closedText = currentText.toString() + u" /"_s;
        currentText = closedText;
    }
    const bool emptyElement = readAttributes(XmlMarkupText::tail(currentText));
    QString name = internName(head);
    if (!m_documentStarted) {
        m_documentStarted = true;
        m_documentName = name;
        events().startDocument();
    }
    if (!m_stopped) {
        QString local;
        events().startElement(QString(), localNameOf(name, local), name, m_tables->attributes.dictionary());
    }
    pushElement(std::move(name));
    if (emptyElement)
        endTag(m_elements[m_depth - 1]);
}

namespace {

// The next occurrence of one quote character, searched again only once the scan has passed
// it, so that a tag with many attributes is scanned for quotes once.
class QuoteFinder {
public:
    QuoteFinder(QStringView text, QChar quote) : m_text(text), m_quote(quote) {}

    qsizetype next(qsizetype from)
    {
        if (m_at != kNone && m_at < from)
            m_at = XmlMarkupText::find(m_text, m_quote, from);
        return m_at;
    }

private:
    static constexpr qsizetype kNone = -1;
    QStringView m_text;
    QChar m_quote;
    qsizetype m_at = -2; // not searched yet
};

} // namespace

bool clsXMLReader::readAttributes(QStringView part)
{
    m_tables->attributes.clear();
    QuoteFinder singleQuotes(part, u'\'');
    QuoteFinder doubleQuotes(part, u'"');
    qsizetype at = 0;
    while (at < part.size()) {
        const qsizetype equals = XmlMarkupText::find(part, u'=', at);
        const qsizetype single = equals < 0 ? -1 : singleQuotes.next(equals);
        const qsizetype dbl = equals < 0 ? -1 : doubleQuotes.next(equals);
        // The nearer quote opens the value and the next one of its kind closes it.
        const bool singleOpens = single >= 0 && (dbl < 0 || single < dbl);
        const qsizetype opening = singleOpens ? single : dbl;
        const qsizetype closing = opening < 0 ? -1 : (singleOpens ? singleQuotes : doubleQuotes).next(opening + 1);
        // No further attribute, or one without its quotes: the attribute list ends here, and the
        // tag is an empty-element tag when what is left ends with "/".
        if (closing < 0)
            return XmlMarkupText::trimBlanks(part.sliced(at)).endsWith(u'/');
        const QStringView name = XmlMarkupText::trimControls(part.sliced(at, equals - at));
        if (name.isEmpty())
            RuntimeErrors::raise(RuntimeErrors::InvalidProcedureCall);
        m_tables->attributes.add(internName(name), attributeValue(part.sliced(opening + 1, closing - opening - 1)));
        at = closing + 1;
    }
    return false;
}

QString clsXMLReader::attributeValue(QStringView raw)
{
    // Short values without references ("c", "B", "bold", "2") repeat all through a document:
    // they are kept once, like names, instead of being copied out for every tag.
    if (!raw.isEmpty() && raw.size() <= kKeptValue && XmlMarkupText::find(raw, u'&') < 0)
        return internName(raw);
    return XmlMarkupText::unescape(raw.toString());
}

void clsXMLReader::endTag(QStringView name)
{
    // An end tag nearly always closes the innermost element, whose name is at hand. Its slot
    // is free from here on: the name is taken out of it rather than copied.
    const bool closesInnermost = m_depth > 0 && XmlMarkupText::same(m_elements[m_depth - 1], name);
    QString qName = closesInnermost ? std::move(m_elements[m_depth - 1]) : QString();
    if (m_depth > 0)
        --m_depth;
    if (m_stopped)
        return;
    if (!closesInnermost)
        qName = internName(name);
    QString local;
    events().endElement(QString(), localNameOf(qName, local), qName);
}

void clsXMLReader::pushElement(QString&& name)
{
    if (m_depth >= kMaximumDepth)
        RuntimeErrors::raise(RuntimeErrors::SubscriptOutOfRange);
    m_elements[m_depth] = std::move(name);
    ++m_depth;
}

const QString& clsXMLReader::internName(QStringView name)
{
    return m_tables->names.intern(name);
}

const QString& clsXMLReader::localNameOf(const QString& qualifiedName, QString& local)
{
    const QStringView localPart = XmlMarkupText::localName(qualifiedName);
    if (localPart.size() == qualifiedName.size())
        return qualifiedName;
    local = internName(localPart);
    return local;
}

void clsXMLReader::cancelParse(const QString& reason)
{
    ProcedureFrame frame(u"Sub cancelParse"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        m_documentStarted = false;
        m_stopped = true;
        events().FatalError(reason.isEmpty() ? u"Parsing cancelled"_s : reason);
    });
}

bool clsXMLReader::getFeature(const QString& name)
{
    ProcedureFrame frame(u"Function getFeature"_s, kClassName);
    raiseWithdrawn(frame, u"Feature = "_s + name + u". getFeature Method has been deprecated"_s);
}

void clsXMLReader::setFeature(const QString& name, bool)
{
    ProcedureFrame frame(u"Sub setFeature"_s, kClassName);
    raiseWithdrawn(frame, u"Feature = "_s + name + u". setFeature Method has been deprecated"_s);
}

Variant clsXMLReader::GetProperty(const QString& name)
{
    ProcedureFrame frame(u"Function GetProperty"_s, kClassName);
    raiseWithdrawn(frame, u"Property = "_s + name + u". getProperty Method has been deprecated"_s);
}

void clsXMLReader::SetProperty(const QString& name, const Variant&)
{
    ProcedureFrame frame(u"Sub SetProperty"_s, kClassName);
    raiseWithdrawn(frame, u"Property = "_s + name + u". setProperty Method has been deprecated"_s);
}

QString clsXMLReader::CurrentQualifiedName() const
{
    return m_depth > 0 ? m_elements[m_depth - 1] : QString();
}

QString clsXMLReader::CurrentLocalName() const
{
    return XmlMarkupText::localName(CurrentQualifiedName()).toString();
}

QString clsXMLReader::DocumentName() const
{
    return m_documentName;
}
