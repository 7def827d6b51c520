#pragma once

#include "support/clsXMLReaderEvents.h"

// Handles every event of the XML reader by doing nothing: a base for listeners that care about
// a few events only.
class XmlReaderNoEvents : public clsXMLReaderEvents {
public:
    void documentLocator(const QString& name) override;
    void startDocument() override;
    void endDocument() override;
    void startPrefixMapping() override;
    void endPrefixMapping() override;
    void startElement(const QString& namespaceURI, const QString& localName, const QString& qName,
                      const Dictionary& attributes) override;
    void endElement(const QString& namespaceURI, const QString& localName, const QString& qName) override;
    void characters(const QString& text, qint32 start, qint32 length) override;
    void ignorableWhitespace(const QString& text, qint32 start, qint32 length) override;
    void processingInstruction(const QString& target, const QString& data) override;
    void skippedEntity() override;
    void Comment(const QString& text) override;
    void Warning() override;
    void Error() override;
    void FatalError(const QString& message) override;
};
