#include "components/QuibaXmlDocument.h"

#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "platform/FileError.h"
#include "platform/RuntimeErrors.h"
#include "support/FileReplacement.h"
#include "support/clsZlib.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <sstream>
#include <zlib.h>

namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments
                                   | pugi::parse_pi | pugi::parse_doctype;

QByteArray fileBytes(const QString& fileName, bool compressed)
{
    if (compressed)
        return Ansi::fromUnicode(clsZlib().Read(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        RuntimeErrors::raise(RuntimeErrors::PermissionDenied, {}, QStringLiteral("Cannot open ") + fileName);
    return file.readAll();
}

QByteArray zlibCompressed(const QByteArray& bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    const int result = compress(reinterpret_cast<Bytef*>(out.data()), &size,
                                reinterpret_cast<const Bytef*>(bytes.constData()), uLong(bytes.size()));
    if (result != Z_OK)
        RuntimeErrors::raise(qint32(clsZlib::kZlibErrorBase + quint32(-result)));
    out.truncate(qsizetype(size));
    return out;
}

} // namespace

QString QuibaXmlDocument::classId()
{
    return XmlDocument::kClassId;
}

QString QuibaXmlDocument::className() const
{
    return QStringLiteral("Document");
}

void QuibaXmlDocument::Load(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        RuntimeErrors::raise(RuntimeErrors::FileNotFound, {},
                             QStringLiteral("File ") + fileName + QStringLiteral(" not found"));
    const bool compressed = clsZlib().IsCompressed(fileName);
    const QByteArray bytes = fileBytes(fileName, compressed);

    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.constData(), size_t(bytes.size()), kParseOptions, pugi::encoding_utf8);
    if (!result)
        RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat, {},
                             QStringLiteral("%1 at byte %2 of %3")
                                 .arg(QString::fromUtf8(result.description()))
                                 .arg(result.offset)
                                 .arg(fileName));
    m_document.reset(document);
    m_compressed = compressed;
}

QByteArray QuibaXmlDocument::indentedBytes() const
{
    std::ostringstream out;
    m_document.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

QString QuibaXmlDocument::PrettyXML() const
{
    return QString::fromUtf8(indentedBytes());
}

void QuibaXmlDocument::setPrintedTimestamp(const QDateTime& when)
{
    pugi::xml_node root = m_document.document_element();
    if (!root)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    const QByteArray text = timestampText(when).toUtf8();
    pugi::xml_attribute attribute = root.attribute(kPrintedAttribute.toUtf8().constData());
    if (!attribute)
        attribute = root.append_attribute(kPrintedAttribute.toUtf8().constData());
    attribute.set_value(text.constData());
}

QString QuibaXmlDocument::printedTimestamp() const
{
    return QString::fromUtf8(m_document.document_element().attribute(kPrintedAttribute.toUtf8().constData()).value());
}

QString QuibaXmlDocument::timestampText(const QDateTime& when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+')
           + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
}

void QuibaXmlDocument::Save(const QString& fileName)
{
    QByteArray bytes = indentedBytes();
    if (m_compressed)
        bytes = zlibCompressed(bytes);
    // One fixed hidden temporary name per file: a writer killed half-way leaves that one file,
    // which the next save overwrites, instead of a new stray file each time.
    try {
        FileReplacement::replace(fileName, fileName, bytes);
    } catch (const AutomationError& error) {
        FileError::raiseCannotWrite(fileName, error);
    }
}
