#include "support/XmlReaderNoEvents.h"

void XmlReaderNoEvents::documentLocator(const QString&) {}
void XmlReaderNoEvents::startDocument() {}
void XmlReaderNoEvents::endDocument() {}
void XmlReaderNoEvents::startPrefixMapping() {}
void XmlReaderNoEvents::endPrefixMapping() {}
void XmlReaderNoEvents::startElement(const QString&, const QString&, const QString&, const Dictionary&) {}
void XmlReaderNoEvents::endElement(const QString&, const QString&, const QString&) {}
void XmlReaderNoEvents::characters(const QString&, qint32, qint32) {}
void XmlReaderNoEvents::ignorableWhitespace(const QString&, qint32, qint32) {}
void XmlReaderNoEvents::processingInstruction(const QString&, const QString&) {}
void XmlReaderNoEvents::skippedEntity() {}
void XmlReaderNoEvents::Comment(const QString&) {}
void XmlReaderNoEvents::Warning() {}
void XmlReaderNoEvents::Error() {}
void XmlReaderNoEvents::FatalError(const QString&) {}
