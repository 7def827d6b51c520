#include "api/VoucherMarkup.h"

#include "config/IniLocation.h"
#include "controller/PrintEvents.h"
#include "platform/Ansi.h"
#include "platform/Blanks.h"
#include "platform/Conversions.h"
#include "platform/Dictionary.h"
#include "platform/RuntimeErrors.h"
#include "support/XmlMarkupText.h"
#include "support/clsXMLReader.h"
#include "support/clsZlib.h"

#include <QFileInfo>
#include <array>

namespace {

const QString kDocument = QStringLiteral("document");
const QString kText = QStringLiteral("text");
const QString kLine = QStringLiteral("line");
const QString kBarcode = QStringLiteral("barcode");
const QString kGraphics = QStringLiteral("graphics");
const QString kImage = QStringLiteral("image");
const QString kCut = QStringLiteral("cut");
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// One-letter texts of the ASCII characters, lower-cased, made once: the markup's settings are
// nearly always such a letter, and each would otherwise be a new string.
const std::array<QString, 128>& asciiLowerLetters()
{
    static const std::array<QString, 128> letters = [] {
        std::array<QString, 128> result;
        for (char16_t code = 0; code < 128; ++code)
            result[code] = QString(QChar(code)).toLower();
        return result;
    }();
    return letters;
}

QString firstLetter(const QString& value)
{
    if (!value.isEmpty() && value.front().unicode() < 128)
        return asciiLowerLetters()[value.front().unicode()];
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
        const qsizetype index = indexOf(longName, shortName);
        return index < 0 ? defaultValue : m_values.at(index).toString();
    }

    // The attribute's leading number; the default as it is when the attribute is absent (a
    // default is always a plain number, so reading it as text would give it back unchanged).
    qint16 number(const QString& longName, const QString& shortName, qint16 defaultValue) const
    {
        const qsizetype index = indexOf(longName, shortName);
        return index < 0 ? defaultValue : ::number(m_values.at(index).toString());
    }

private:
    qsizetype indexOf(const QString& longName, const QString& shortName) const
    {
        const qsizetype index = indexOf(longName);
        return index < 0 ? indexOf(shortName) : index;
    }

    // A tag has a few attributes: a walk over them beats a general search.
    qsizetype indexOf(const QString& name) const
    {
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            if (XmlMarkupText::same(m_names.at(i), name))
                return i;
        }
        return -1;
    }

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
        parse(reader, fileName);
    } catch (...) {
        closeOpenJob();
        throw;
    }
}

void VoucherMarkup::parse(clsXMLReader& reader, const QString& fileName)
{
    QByteArray content;
    if (clsZlib().IsCompressed(fileName, content)) {
        reader.ParseTextBytes(decompressed(fileName, content));
        return;
    }
    // The reader would trim the name, and take a name that begins with "<" for XML text: such
    // a name, and a file the probe did not read, go to the reader as before.
    const bool readAsGiven = !content.isEmpty() && !fileName.startsWith(u'<') && Blanks::trim(fileName) == fileName;
    if (readAsGiven)
        reader.ParseFileBytes(fileName, content);
    else
        reader.Parse(fileName);
}

QByteArray VoucherMarkup::decompressed(const QString& fileName, const QByteArray& content)
{
    clsZlib zlib;
    const QByteArray text = content.isEmpty() ? Ansi::fromUnicode(zlib.Read(fileName)) : zlib.ReadContent(content);
    // The reader takes any text that does not begin with "<" for a file name: decompressed
    // bytes must never name a file to open.
    // Editors put a UTF-8 byte-order mark before the declaration.
    qsizetype start = text.startsWith(kUtf8ByteOrderMark) ? qsizetype(std::size(kUtf8ByteOrderMark) - 1) : 0;
    while (start < text.size() && Ansi::character(quint8(text[start])).isSpace())
        ++start;
    if (start == text.size() || text[start] != '<')
        RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat);
    return text.sliced(start);
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
    if (XmlMarkupText::same(qName, kDocument)) {
        ++m_openVouchers;
        m_target.RaisePrintVoucher(firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                                         QStringLiteral("l"))));
    } else if (XmlMarkupText::same(qName, kText)) {
        startText(attributes);
    } else if (XmlMarkupText::same(qName, kLine)) {
        m_target.RaisePrintLine(attributes.number(QStringLiteral("width"), QStringLiteral("w"), 1));
    } else if (XmlMarkupText::same(qName, kBarcode)) {
        startBarcode(attributes);
    } else if (XmlMarkupText::same(qName, kGraphics)) {
        startGraphics(attributes);
    } else if (XmlMarkupText::same(qName, kImage)) {
        m_state.alignment = firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                                  QStringLiteral("c")));
        m_state.data = attributes.value(QStringLiteral("filename"), QStringLiteral("f"), {});
    } else if (XmlMarkupText::same(qName, kCut)) {
        startCut(attributes);
    }
}

void VoucherMarkup::startText(const Attributes& attributes)
{
    m_state.alignment = firstLetter(attributes.value(QStringLiteral("alignment"), QStringLiteral("a"),
                                              QStringLiteral("left")));
    m_state.font = attributes.value(QStringLiteral("font"), QStringLiteral("f"), QStringLiteral("A")).toUpper();
    m_state.emphasis = attributes.value(QStringLiteral("emphasis"), QStringLiteral("e"), {}).toLower();
    m_state.charWidth = attributes.number(QStringLiteral("charwidth"), QStringLiteral("w"), 1);
    m_state.charHeight = attributes.number(QStringLiteral("charheight"), QStringLiteral("h"), 1);
    m_state.hardSpace = attributes.value(QStringLiteral("hardspace"), QStringLiteral("hs"), QStringLiteral("~"));
    m_state.indent = attributes.number(QStringLiteral("indent"), QStringLiteral("i"), 0);
    m_state.data.clear();
}

void VoucherMarkup::startBarcode(const Attributes& attributes)
{
    m_state.charHeight = attributes.number(QStringLiteral("height"), QStringLiteral("h"), 10);
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
    if (XmlMarkupText::same(qName, kText)) {
        endText();
    } else if (XmlMarkupText::same(qName, kBarcode)) {
        m_target.RaisePrintBarcode(m_state.barcodeType, m_state.charWidth, m_state.charHeight, m_state.alignment,
                                   m_state.data);
    } else if (XmlMarkupText::same(qName, kImage)) {
        endImage();
    } else if (XmlMarkupText::same(qName, kGraphics)) {
        m_target.RaisePrintGraphicsEnd();
    } else if (XmlMarkupText::same(qName, kDocument)) {
        if (m_openVouchers > 0)
            --m_openVouchers;
        m_target.RaisePrintVoucherEnd();
    }
}

void VoucherMarkup::endText()
{
    QString text = m_state.data;
    // Replacing the empty text would put a space between every two characters. A hard space
    // of one character (nearly always) is swapped in place, without searching for a string.
    if (m_state.hardSpace.size() == 1)
        text.replace(m_state.hardSpace.front(), u' ');
    else if (!m_state.hardSpace.isEmpty())
        text.replace(m_state.hardSpace, QStringLiteral(" "));
    m_target.RaisePrintText(m_state.font, m_state.emphasis, m_state.charWidth, m_state.charHeight, m_state.alignment,
                            m_state.indent, text);
}

void VoucherMarkup::endImage()
{
    const QString path = imagePath(m_state.data);
    // Only a file is an image: a folder (or a device) of that name prints nothing either.
    if (QFileInfo(path).isFile())
        m_target.RaisePrintImage(m_state.alignment, path);
}

void VoucherMarkup::characters(const QString& text, qint32 start, qint32 length)
{
    if (start < 1 || length <= 0)
        return;
    // The whole text of an element that has no data yet is shared, not copied.
    if (m_state.data.isEmpty() && start == 1 && length == text.size())
        m_state.data = text;
    else
        m_state.data += QStringView(text).mid(start - 1, length);
}
