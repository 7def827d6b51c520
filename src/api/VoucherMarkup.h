#pragma once

#include "api/VoucherPrintState.h"
#include "support/XmlReaderNoEvents.h"

#include <QString>

class PrintEvents;
class clsXMLReader;

// Turns one voucher document into print operations: it parses the file with clsXMLReader and
// maps each element of the print markup to its print event on the target, keeping the
// settings in the owner's VoucherPrintState.
//
// A document that cannot be read to its end (the reader or a value raises an error) leaves
// its voucher and its print job open. RaisePrintEvents then closes what it opened
// (PrintVoucherEnd, PrintEnd) before the error goes on to the caller, so the target's print
// depth is back where it was; complete() tells afterwards whether the document was read
// through.
class VoucherMarkup : public XmlReaderNoEvents {
public:
    // Where an image named without folder or extension is looked for.
    struct LogoFolder {
        QString path;
        QString extension;
    };

    VoucherMarkup(PrintEvents& target, VoucherPrintState& state, LogoFolder logos);

    // Reads the file, plain or compressed, and raises its events. Errors of the reader, of
    // the decompression and of the values propagate (as AutomationError) after the open job
    // has been closed.
    void RaisePrintEvents(const QString& fileName);

    // True when the last document was read to its end.
    bool complete() const { return m_complete; }

    // The image file an image element names: data with "." and the logo extension added when
    // it has no extension, joined to the logo folder when it is not absolute.
    QString imagePath(const QString& data) const;

    void startDocument() override;
    void endDocument() override;
    void startElement(const QString& namespaceURI, const QString& localName, const QString& qName,
                      const Dictionary& attributes) override;
    void endElement(const QString& namespaceURI, const QString& localName, const QString& qName) override;
    void characters(const QString& text, qint32 start, qint32 length) override;

private:
    // The attributes of one start tag.
    class Attributes;

    // Reads the file with the reader: its bytes as the compression probe read them, or the
    // decompressed document.
    static void parse(clsXMLReader& reader, const QString& fileName);
    // The decompressed document from its first "<", as bytes; content is the file's content
    // when the probe read it whole.
    static QByteArray decompressed(const QString& fileName, const QByteArray& content);
    void closeOpenJob();

    void startText(const Attributes& attributes);
    void startBarcode(const Attributes& attributes);
    void startGraphics(const Attributes& attributes);
    void startCut(const Attributes& attributes);
    void endText();
    void endImage();

    PrintEvents& m_target;
    VoucherPrintState& m_state;
    LogoFolder m_logos;
    bool m_jobOpen = false;
    int m_openVouchers = 0;
    bool m_complete = false;
};
