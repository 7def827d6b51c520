#pragma once

#include "api/XmlDocument.h"

#include <pugixml.hpp>

// The built-in XML document component (QuibaXML.Document), on pugixml. It reads a voucher
// file, plain or zlib-compressed, as UTF-8 like the program's own reader, and writes it back
// indented (two blanks a level), compressed again when it was read compressed.
//
// The printed time-stamp is the attribute "printed" of the root element: the local date and
// time to the second with the offset from UTC, e.g. 2026-12-10T14:05:09+01:00.
class QuibaXmlDocument : public XmlDocument {
public:
    static QString classId();
    static inline const QString kPrintedAttribute = QStringLiteral("printed");

    QString className() const override;

    // Raises 53 when the file is missing, 321 when it is no well-formed XML (and keeps the
    // document loaded before).
    void Load(const QString& fileName) override;
    QString PrettyXML() const override;
    // Raises 91 while no document with a root element is loaded.
    void setPrintedTimestamp(const QDateTime& when) override;
    // The indented document replaces the file through a temporary file in the same folder
    // that is renamed over it, so the file is always either the old or the new document.
    // Raises 75 when the file cannot be written.
    void Save(const QString& fileName) override;

    // The time-stamp as written, empty when there is none.
    QString printedTimestamp() const;
    static QString timestampText(const QDateTime& when);

private:
    QByteArray indentedBytes() const;

    pugi::xml_document m_document;
    bool m_compressed = false;
};
