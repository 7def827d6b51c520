#include "api/VoucherMarkup.h"

#include "config/IniLocation.h"
#include "controller/PrintEvents.h"
#include "platform/Conversions.h"
#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "support/clsXMLReader.h"
#include "support/clsZlib.h"

#include <QFileInfo>

namespace {

const QString kDocument = QStringLiteral("document");
const QString kText = QStringLiteral("text");
const QString kLine = QStringLiteral("line");
const QString kBarcode = QStringLiteral("barcode");
const QString kGraphics = QStringLiteral("graphics");
const QString kImage = QStringLiteral("image");
const QString kCut = QStringLiteral("cut");

// The attribute under its long name, else its short name, else the default.
QString attribute(const Dictionary& attributes, const QString& longName, const QString& shortName,
                  const QString& defaultValue)
{
    if (attributes.exists(longName))
        return attributes.item(longName).toString();
    if (attributes.exists(shortName))
        return attributes.item(shortName).toString();
    return defaultValue;
}

QString firstLetter(const QString& value)
{
    return value.left(1).toLower();
}

// The leading number of the text, rounded half to even into 16 bits (Overflow beyond).
qint16 number(const QString& value)
{
    return Conversions::toInteger(Variant(Conversions::val(value)));
}

} // namespace

VoucherMarkup::VoucherMarkup(PrintEvents& target, VoucherPrintState& state, LogoFolder logos)
    : m_target(target), m_state(state), m_logos(std::move(logos))
{
}

void VoucherMarkup::RaisePrintEvents(const QString& fileName)
{
    m_complete = false;
    m_jobOpen = false;
    m_openVouchers = 0;
    try {
        clsXMLReader reader(this);
        reader.Parse(readerSource(fileName));
    } catch (...) {
        closeOpenJob();
        throw;
    }
}

QString VoucherMarkup::readerSource(const QString& fileName)
{
    clsZlib zlib;
    if (!zlib.IsCompressed(fileName))
        return fileName;
    // The reader takes any text that does not begin with "<" for a file name: decompressed
    // bytes must never name a file to open.
    QString text = zlib.Read(fileName);
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    if (start == text.size() || text.at(start) != u'<')
        RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat);
    return text.mid(start);
}

void VoucherMarkup::closeOpenJob()
{
    for (; m_openVouchers > 0; --m_openVouchers)
        m_target.RaisePrintVoucherEnd();
    if (m_jobOpen) {
        m_jobOpen = false;
        m_target.RaisePrintEnd();
    }
}

QString VoucherMarkup::imagePath(const QString& data) const
{
    QString path = data;
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + m_logos.extension;
    if (QFileInfo(path).isRelative())
        path = IniLocation::joinPath(m_logos.path, path);
    return path;
}

void VoucherMarkup::startDocument()
{
    m_jobOpen = true;
    m_target.RaisePrintBegin(1);
}

void VoucherMarkup::endDocument()
{
    // A document cut off inside a tag still ends here: its voucher is closed before the job.
    m_complete = m_openVouchers == 0;
    for (; m_openVouchers > 0; --m_openVouchers)
        m_target.RaisePrintVoucherEnd();
    m_jobOpen = false;
    m_target.RaisePrintEnd();
}

void VoucherMarkup::startElement(const QString&, const QString&, const QString& qName, const Dictionary& attributes)
{
    if (qName == kDocument) {
        ++m_openVouchers;
        m_target.RaisePrintVoucher(firstLetter(attribute(attributes, QStringLiteral("alignment"), QStringLiteral("a"),
                                                         QStringLiteral("l"))));
    } else if (qName == kText) {
        startText(attributes);
    } else if (qName == kLine) {
        m_target.RaisePrintLine(number(attribute(attributes, QStringLiteral("width"), QStringLiteral("w"),
                                                 QStringLiteral("1"))));
    } else if (qName == kBarcode) {
        startBarcode(attributes);
    } else if (qName == kGraphics) {
        startGraphics(attributes);
    } else if (qName == kImage) {
        m_state.alignment = firstLetter(attribute(attributes, QStringLiteral("alignment"), QStringLiteral("a"),
                                                  QStringLiteral("c")));
        m_state.data = attribute(attributes, QStringLiteral("filename"), QStringLiteral("f"), {});
    } else if (qName == kCut) {
        startCut(attributes);
    }
}

void VoucherMarkup::startText(const Dictionary& attributes)
{
    m_state.alignment = firstLetter(attribute(attributes, QStringLiteral("alignment"), QStringLiteral("a"),
                                              QStringLiteral("left")));
    m_state.font = attribute(attributes, QStringLiteral("font"), QStringLiteral("f"), QStringLiteral("A")).toUpper();
    m_state.emphasis = attribute(attributes, QStringLiteral("emphasis"), QStringLiteral("e"), {}).toLower();
    m_state.charWidth = number(attribute(attributes, QStringLiteral("charwidth"), QStringLiteral("w"),
                                         QStringLiteral("1")));
    m_state.charHeight = number(attribute(attributes, QStringLiteral("charheight"), QStringLiteral("h"),
                                          QStringLiteral("1")));
    m_state.hardSpace = attribute(attributes, QStringLiteral("hardspace"), QStringLiteral("hs"), QStringLiteral("~"));
    m_state.indent = number(attribute(attributes, QStringLiteral("indent"), QStringLiteral("i"), QStringLiteral("0")));
    m_state.data.clear();
}

void VoucherMarkup::startBarcode(const Dictionary& attributes)
{
    m_state.charHeight = number(attribute(attributes, QStringLiteral("height"), QStringLiteral("h"),
                                          QStringLiteral("10")));
    m_state.barcodeType = attribute(attributes, QStringLiteral("type"), QStringLiteral("y"),
                                    QStringLiteral("code39")).toLower();
    m_state.alignment = firstLetter(attribute(attributes, QStringLiteral("alignment"), QStringLiteral("a"),
                                              QStringLiteral("centered")));
    m_state.data.clear();
}

void VoucherMarkup::startGraphics(const Dictionary& attributes)
{
    const QString v = firstLetter(attribute(attributes, QStringLiteral("valign"), QStringLiteral("v"),
                                            QStringLiteral("m")));
    m_state.verticalAlignment = (v == u"t" || v == u"b") ? v : QStringLiteral("m");
    m_target.RaisePrintGraphicsBegin(m_state.verticalAlignment);
}

void VoucherMarkup::startCut(const Dictionary& attributes)
{
    const QString kind = attribute(attributes, QStringLiteral("filename"), QStringLiteral("f"), QStringLiteral("full"));
    bool halfCut = kind.toLower() == u"half";
    m_target.RaisePrintCut(halfCut);
}

void VoucherMarkup::endElement(const QString&, const QString&, const QString& qName)
{
    if (qName == kText) {
        endText();
    } else if (qName == kBarcode) {
        m_target.RaisePrintBarcode(m_state.barcodeType, m_state.charWidth, m_state.charHeight, m_state.alignment,
                                   m_state.data);
    } else if (qName == kImage) {
        endImage();
    } else if (qName == kGraphics) {
        m_target.RaisePrintGraphicsEnd();
    } else if (qName == kDocument) {
        if (m_openVouchers > 0)
            --m_openVouchers;
        m_target.RaisePrintVoucherEnd();
    }
}

void VoucherMarkup::endText()
{
    QString text = m_state.data;
    // Replacing the empty text would put a space between every two characters.
    if (!m_state.hardSpace.isEmpty())
        text.replace(m_state.hardSpace, QStringLiteral(" "));
    m_target.RaisePrintText(m_state.font, m_state.emphasis, m_state.charWidth, m_state.charHeight, m_state.alignment,
                            m_state.indent, text);
}

void VoucherMarkup::endImage()
{
    const QString path = imagePath(m_state.data);
    if (QFileInfo::exists(path))
        m_target.RaisePrintImage(m_state.alignment, path);
}

void VoucherMarkup::characters(const QString& text, qint32 start, qint32 length)
{
    if (start < 1 || length <= 0)
        return;
    m_state.data += QStringView(text).mid(start - 1, length);
}
