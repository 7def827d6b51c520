#pragma once

#include "platform/Dictionary.h"

#include <QString>

// What clsXMLReader reports while it parses, named after the SAX handler interface and declared
// in the reader's event order. Every event is raised synchronously from inside Parse. Events
// the reader declares but never raises take no arguments.
class clsXMLReaderEvents {
public:
    virtual ~clsXMLReaderEvents();

    // Once at the start of a parse: the file name, or the empty text for text input.
    virtual void documentLocator(const QString& name) = 0;
    // Just before the first startElement.
    virtual void startDocument() = 0;
    // At the end of a parse that met a start tag and was not cancelled.
    virtual void endDocument() = 0;
    virtual void startPrefixMapping() = 0;
    virtual void endPrefixMapping() = 0;
    // For each start tag and empty-element tag. namespaceURI is always empty; attributes map
    // each attribute name (compared exactly) to its unescaped value.
    virtual void startElement(const QString& namespaceURI, const QString& localName, const QString& qName,
                              const Dictionary& attributes) = 0;
    // For each end tag, and right after the startElement of an empty-element tag.
    virtual void endElement(const QString& namespaceURI, const QString& localName, const QString& qName) = 0;
    // The content is the length characters of text from the 1-based position start: the whole
    // text for element content, the inside of the brackets for a CDATA section.
    virtual void characters(const QString& text, qint32 start, qint32 length) = 0;
    // Element content made of tabs, line ends and blanks only.
    virtual void ignorableWhitespace(const QString& text, qint32 start, qint32 length) = 0;
    // Every processing instruction except the XML declaration.
    virtual void processingInstruction(const QString& target, const QString& data) = 0;
    virtual void skippedEntity() = 0;
    virtual void Comment(const QString& text) = 0;
    virtual void Warning() = 0;
    virtual void Error() = 0;
    // An empty source, or a parse cancelled by a handler.
    virtual void FatalError(const QString& message) = 0;
};
