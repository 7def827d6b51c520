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

// The attributes of one start tag, looked up by a short walk over the few names a tag has
// rather than by hashing each of the names the element could carry.
class VoucherMarkup::Attributes {
public:
    explicit Attributes(const Dictionary& attributes) : m_names(attributes.keys()), m_values(attributes.items()) {}

    // The attribute under its long name, else its short name, else the default.
    QString value(const QString& longName, const QString& shortName, const QString& defaultValue) const
    {
        qsizetype index = m_names.indexOf(longName);
        if (index < 0)
            index = m_names.indexOf(shortName);
        return index < 0 ? defaultValue : m_values.at(index).toString();
    }

private:
    QStringList m_names;
    VariantArray m_values;
};

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

void VoucherMarkup::startElement(const QString&, const QString&, const QString& qName, const Dictionary& dictionary)
{
    const Attributes attributes(dictionary);
    if (qName == kDocument) {
        ++m_openVouchers;
        m_target.RaisePrintVoucher(firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                                         QStringLiteral("l"))));
    } else if (qName == kText) {
        startText(attributes);
    } else if (qName == kLine) {
        m_target.RaisePrintLine(number(attributes.value(QStringLiteral("width"), QStringLiteral("w"),
                                                 QStringLiteral("1"))));
    } else if (qName == kBarcode) {
        startBarcode(attributes);
    } else if (qName == kGraphics) {
        startGraphics(attributes);
    } else if (qName == kImage) {
        m_state.alignment = firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                                  QStringLiteral("c")));
        m_state.data = attributes.value(QStringLiteral("filename"), QStringLiteral("f"), {});
    } else if (qName == kCut) {
        startCut(attributes);
    }
}

void VoucherMarkup::startText(const Attributes& attributes)
{
    m_state.alignment = firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                              QStringLiteral("left")));
    m_state.font = attributes.value(QStringLiteral("font"), QStringLiteral("f"), QStringLiteral("A")).toUpper();
    m_state.emphasis = attributes.value(QStringLiteral("emphasis"), QStringLiteral("e"), {}).toLower();
    m_state.charWidth = number(attributes.value(QStringLiteral("charwidth"), QStringLiteral("w"),
                                         QStringLiteral("1")));
    m_state.charHeight = number(attributes.value(QStringLiteral("charheight"), QStringLiteral("h"),
                                          QStringLiteral("1")));
    m_state.hardSpace = attributes.value(QStringLiteral("hardspace"), QStringLiteral("hs"), QStringLiteral("~"));
    m_state.indent = number(attributes.value(QStringLiteral("indent"), QStringLiteral("i"), QStringLiteral("0")));
    m_state.data.clear();
}

void VoucherMarkup::startBarcode(const Attributes& attributes)
{
    m_state.charHeight = number(attributes.value(QStringLiteral("height"), QStringLiteral("h"),
                                          QStringLiteral("10")));
    m_state.barcodeType = attributes.value(QStringLiteral("type"), QStringLiteral("y"),
                                    QStringLiteral("code39")).toLower();
    m_state.alignment = firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                              QStringLiteral("centered")));
    m_state.data.clear();
}

void VoucherMarkup::startGraphics(const Attributes& attributes)
{
    const QString v = firstLetter(attributes.value(QStringLiteral("valign"), QStringLiteral("v"),
                                            QStringLiteral("m")));
    m_state.verticalAlignment = (v == u"t" || v == u"b") ? v : QStringLiteral("m");
    m_target.RaisePrintGraphicsBegin(m_state.verticalAlignment);
}

void VoucherMarkup::startCut(const Attributes& attributes)
{
    const QString kind = attributes.value(QStringLiteral("filename"), QStringLiteral("f"), QStringLiteral("full"));
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
