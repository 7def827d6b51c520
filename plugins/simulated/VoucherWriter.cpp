#include "VoucherWriter.h"

#include "Money.h"
#include "SimulatedLog.h"
#include "platform/AutomationError.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <zlib.h>

namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// A text element; blanks in the data stay blanks because the hard space is "~" by default.
QString text(const QString& data, const QString& attributes = {})
{
    return QStringLiteral("  <text%1>%2</text>\n").arg(attributes.isEmpty() ? QString() : u' ' + attributes, escaped(data));
}

QByteArray compressed(const QByteArray& plain)
{
    uLongf size = compressBound(uLong(plain.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.constData()),
                 uLong(plain.size())) != Z_OK)
        return {};
    out.truncate(qsizetype(size));
    return out;
}

} // namespace

VoucherWriter::VoucherWriter(QString folder, bool compress, QString compressedExtension)
    : m_folder(std::move(folder))
    , m_compress(compress)
    , m_compressedExtension(std::move(compressedExtension))
{
}

QString VoucherWriter::markup(const VoucherRecord& record, const IssuedPin& pin)
{
    const CatalogueProduct& product = record.product;
    QString document = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document a=\"c\">\n");
    document += QStringLiteral("  <graphics v=\"t\"><image a=\"c\" f=\"logo.png\"/></graphics>\n");
    if (record.trainingMode)
        document += text(QStringLiteral("*** TRAINING - NOT VALID ***"), QStringLiteral("a=\"c\" e=\"bold\""));
    document += text(product.supplierName, QStringLiteral("a=\"c\" w=\"2\" h=\"2\" e=\"bold\""));
    document += text(product.name, QStringLiteral("a=\"c\""));
    document += text(QStringLiteral("Value: ") + Money::text(product.price), QStringLiteral("a=\"c\""));
    if (!record.data.isEmpty())
        document += text(QStringLiteral("For: ") + record.data, QStringLiteral("a=\"c\""));
    document += QStringLiteral("  <line w=\"1\"/>\n");
    document += text(QStringLiteral("Your PIN"), QStringLiteral("a=\"c\""));
    document += text(pin.groupedPin(), QStringLiteral("a=\"c\" f=\"B\" w=\"2\" h=\"2\" e=\"bold\""));
    document += QStringLiteral("  <line w=\"1\"/>\n");
    if (!product.instructions.isEmpty())
        document += text(product.instructions, QStringLiteral("a=\"c\" f=\"B\""));
    // Twelve millimetres on a receipt roll: scannable without taking half the slip.
    document += QStringLiteral("  <barcode y=\"code128\" h=\"12\" a=\"c\">%1</barcode>\n").arg(escaped(pin.serial));
    document += text(QStringLiteral("Serial ") + pin.serial, QStringLiteral("a=\"c\" f=\"B\""));
    document += text(record.when.toString(QStringLiteral("dd-MMM-yyyy HH:mm:ss")), QStringLiteral("a=\"l\" f=\"B\""));
    QString where = QStringLiteral("Account ") + record.account;
    if (!record.posDeviceID.isEmpty())
        where += QStringLiteral("  Terminal ") + record.posDeviceID;
    document += text(where, QStringLiteral("a=\"l\" f=\"B\""));
    if (!record.posReferenceID.isEmpty())
        document += text(QStringLiteral("Reference ") + record.posReferenceID, QStringLiteral("a=\"l\" f=\"B\""));
    document += QStringLiteral("  <cut f=\"full\"/>\n</document>\n");
    return document;
}

QString VoucherWriter::plainName(const IssuedPin& pin) const
{
    return QDir(m_folder).filePath(pin.serial + QStringLiteral(".xml"));
}

bool VoucherWriter::exists(const IssuedPin& pin) const
{
    const QString plain = plainName(pin);
    return QFileInfo::exists(plain)
           || (!m_compressedExtension.isEmpty() && QFileInfo::exists(plain + u'.' + m_compressedExtension));
}

VoucherWriter::Written VoucherWriter::write(const VoucherRecord& record, const IssuedPin& pin) const
{
    QString fileName = plainName(pin);
    // UTF-8, as pcQUIBA's XML reader decodes every document, plain or decompressed.
    QByteArray bytes = markup(record, pin).toUtf8();
    if (m_compress) {
        bytes = compressed(bytes);
        if (!m_compressedExtension.isEmpty())
            fileName += u'.' + m_compressedExtension;
    }
    const QFileInfo target(fileName);
    const QString partial = target.path() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".partial");
    QString failure;
    try {
        QDir().mkpath(m_folder);
        if (bytes.isEmpty())
            failure = QStringLiteral("the document could not be compressed");
        else {
            FileBytes::writeDurably(partial, bytes);
            FileBytes::rename(partial, fileName);
            if (FileBytes::read(fileName) != bytes)
                failure = QStringLiteral("the file on the disk differs from what was written");
        }
    } catch (const AutomationError& error) {
        failure = error.description();
    }
    if (failure.isEmpty())
        return {fileName, {}};
    QFile::remove(partial);
    SimulatedLog::write(QStringLiteral("Cannot write the voucher %1: %2").arg(fileName, failure), SimulatedLog::Error);
    return {{}, failure};
}
