#pragma once

#include "platform/Variant.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <memory>

class QIODevice;
class XmlReaderTables;
class XmlTextInput;
class clsXMLReaderEvents;

// The program's small event-driven XML reader. It reads XML text or a file, decodes it from
// UTF-8, splits it into tags and text and reports them through clsXMLReaderEvents. It keeps no
// tree, does not validate, knows namespaces only as a prefix on a name, skips the XML
// declaration and the document type, and takes the first element it meets as the document.
//
// A file is read in chunks of 1000 bytes; a multi-byte sequence split between two chunks is
// decoded once both halves are in. Text input is a string of bytes, one character per byte
// in the Windows-1252 code page, as clsZlib::Read hands out a decompressed document; it is
// read in the same chunks, after a check that all of it is UTF-8.
class clsXMLReader {
public:
    static inline const QString kClassName = QStringLiteral("clsXMLReader");

    static constexpr qsizetype kFileChunk = 1000;
    static constexpr qsizetype kLookAhead = 10;
    static constexpr qint16 kMaximumDepth = 200;

    // The reader raises its events to events (nothing when null); it does not own them.
    explicit clsXMLReader(clsXMLReaderEvents* events = nullptr);
    ~clsXMLReader();

    clsXMLReader(const clsXMLReader&) = delete;
    clsXMLReader& operator=(const clsXMLReader&) = delete;

    void setEvents(clsXMLReaderEvents* events);

    // Parses source: XML text when it begins with "<" after trimming blanks, otherwise the
    // name of a file. A missing file raises 53, bytes that are not UTF-8 raise 321; errors
    // leave the events raised so far raised and raise no endDocument.
    void Parse(const QString& source);
    // Parses the bytes of the file fileName, read whole by the caller, exactly as Parse(fileName)
    // parses that file: the same chunks, events and errors, without opening it again. fileName
    // is taken as it is (not trimmed, never XML text).
    void ParseFileBytes(const QString& fileName, const QByteArray& bytes);
    // Parses text given as its bytes, one character a byte in Windows-1252 (as clsZlib reads a
    // document): what Parse(Ansi::toUnicode(text)) does, without converting there and back.
    void ParseTextBytes(const QByteArray& text);
    // From inside an event handler: stops the parse with FatalError(reason), or "Parsing
    // cancelled" when reason is empty. No further event follows, endDocument included.
    void cancelParse(const QString& reason);

    // Withdrawn: each raises 421.
    bool getFeature(const QString& name);
    void setFeature(const QString& name, bool value);
    Variant GetProperty(const QString& name);
    void SetProperty(const QString& name, const Variant& value);

    // The innermost open element, named in full and after its prefix; empty outside any
    // element. Inside startElement and endElement this is the enclosing element.
    QString CurrentQualifiedName() const;
    QString CurrentLocalName() const;
    // The first element of the last parse.
    QString DocumentName() const;

    // Decodes text, one byte per character, from UTF-8. An incomplete sequence at the end is
    // handed back through text (as bytes) for the caller to put before the next part; text is
    // empty otherwise. Raises 321 for a continuation byte of the wrong form.
    QString ConvertFromUTF8(QString& text);

private:
    void startParse();
    // text: the trimmed source.
    void parseText(std::unique_ptr<XmlTextInput> text);
    void parseFile(const QString& fileName);
    // Reads the document from input in chunks; locator is the name documentLocator reports.
    // checkedText: the input is text already checked to be UTF-8.
    void parseInput(std::unique_ptr<QIODevice> input, const QString& locator, bool checkedText = false);
    void zParseXML();

    // Input.
    void readMore();
    // Decodes what it can of bytes onto the end of the buffer, under its own announcement.
    void decodeChunk(QByteArray& bytes);
    bool fileHasMore() const;
    void compactBuffer();
    void lookAhead();

    // Finding and cutting tags.
    qsizetype findTagStart();
    bool zFindBrackets();
    void takeTextBeforeTag();
    void processTag(QStringView tag);

    // One kind of tag each.
    void processingInstruction(QStringView currentText);
    void comment(QStringView tag);
    void cdataSection(QStringView tag);
    void startTag(QStringView head, QStringView currentText);
    // Fills m_attributes; true when the tag turned out to be an empty-element tag.
    bool readAttributes(QStringView part);
    // The value between an attribute's quotes, unescaped.
    QString attributeValue(QStringView raw);
    void endTag(QStringView name);

    void pushElement(QString&& name);
    // The kept copy, valid until the next name is kept.
    const QString& internName(QStringView name);
    // qualifiedName itself when it has no prefix; otherwise the name after it, kept in local.
    const QString& localNameOf(const QString& qualifiedName, QString& local);
    clsXMLReaderEvents& events() const;

    clsXMLReaderEvents* m_events;

    // The decoded text; everything before m_consumed has been dealt with.
    QString m_buffer;
    qsizetype m_consumed = 0;
    // The next tag's "<" and the last character of its terminator (indexes into m_buffer);
    // m_tagEnd is -1 while no complete tag is in the buffer.
    qsizetype m_tagStart = -1;
    qsizetype m_tagEnd = -1;
    // Where the searches for "<" and for the terminator go on, so that reading more input
    // never searches the same text twice.
    qsizetype m_openScanFrom = 0;
    qsizetype m_terminatorTagStart = -1;
    const QChar* m_terminator = nullptr;
    qsizetype m_terminatorScanFrom = 0;

    // The file, or the bytes of a file read by the caller.
    std::unique_ptr<QIODevice> m_file;
    // Set by the short read that met the end of the file.
    bool m_fileEnded = false;
    // Set while reading text input, which was checked to be UTF-8 before its first event.
    bool m_checkedText = false;
    QByteArray m_undecoded;

    std::array<QString, kMaximumDepth> m_elements;
    qint16 m_depth = 0;
    bool m_documentStarted = false;
    bool m_stopped = false;
    QString m_documentName;

    // Names and attribute shapes, taken over from the last reader on this thread.
    std::unique_ptr<XmlReaderTables> m_tables;
    // Parses under way on this reader: more than one when a handler started another.
    int m_parsing = 0;
};
