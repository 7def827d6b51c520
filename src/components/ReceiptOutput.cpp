#include "components/ReceiptOutput.h"

#include "components/ReceiptDots.h"
#include "components/ReceiptSettings.h"
#include "components/ReceiptSheets.h"
#include "platform/AutomationError.h"
#include "platform/FileError.h"
#include "platform/RuntimeErrors.h"
#include "support/FileReplacement.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QBuffer>

namespace {

[[noreturn]] void raiseFileError(const QString& fileName, const QString& reason)
{
    RuntimeErrors::raise(RuntimeErrors::PathFileAccessError, {},
                         QStringLiteral("Cannot write ") + fileName + QStringLiteral(": ") + reason);
}

// The bytes replace the file through one fixed hidden name beside it, so that a writer killed
// half-way leaves at most that one file, which the next print of the same name overwrites.
void replaceFile(const QString& fileName, const QByteArray& bytes)
{
    try {
        FileReplacement::replace(fileName, fileName, bytes);
    } catch (const AutomationError& error) {
        FileError::raiseCannotWrite(fileName, error);
    }
}

// What Qt's PNG writer calls quality: 80 is zlib's fastest level (1). On a receipt's long,
// mostly white rows of dots it takes half the time of a middle level, for a file about a
// tenth larger (30 KB instead of 27 KB for a 4 KB voucher).
constexpr int kPngQuality = 80;

QPageSize pageSizeOf(const QImage& sheet, const ReceiptSettings& settings)
{
    return QPageSize(QSizeF(sheet.width() * 1000.0 / settings.pelsPerMetreX,
                            sheet.height() * 1000.0 / settings.pelsPerMetreY),
                     QPageSize::Millimeter, QStringLiteral("Receipt"), QPageSize::ExactMatch);
}

// Draws each sheet on its own page of the device, the page sized to the sheet.
template <class Device>
bool drawPages(Device& device, const QList<QImage>& sheets, const ReceiptSettings& settings, bool dots)
{
    device.setPageSize(pageSizeOf(sheets.first(), settings));
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        if (i > 0) {
            device.setPageSize(pageSizeOf(sheets.at(i), settings));
            device.newPage();
        }
        const QImage& sheet = sheets.at(i);
        // Device units differ from printer dots: map the sheet onto its page's size.
        const double scaleX = double(device.logicalDpiX()) / settings.dpiX();
        const double scaleY = double(device.logicalDpiY()) / settings.dpiY();
        painter.drawImage(QRectF(0, 0, sheet.width() * scaleX, sheet.height() * scaleY),
                          dots ? ReceiptDots::of(sheet) : sheet);
    }
    return painter.end();
}

} // namespace

void ReceiptOutput::writeJob(const QByteArray& job, const QString& fileName)
{
    replaceFile(fileName, job);
}

void ReceiptOutput::writePng(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings)
{
    const QImage roll = ReceiptDots::of(ReceiptSheets::roll(sheets, settings));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!roll.save(&buffer, "PNG", kPngQuality))
        raiseFileError(fileName, QStringLiteral("the image could not be encoded"));
    replaceFile(fileName, bytes);
}

void ReceiptOutput::writePdf(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(settings.dpiX());
        writer.setCreator(QStringLiteral("pcQUIBA"));
        writer.setTitle(QStringLiteral("Receipt"));
        if (!sheets.isEmpty() && !drawPages(writer, sheets, settings, true))
            raiseFileError(fileName, QStringLiteral("the PDF could not be drawn"));
        if (sheets.isEmpty()) {
            // An empty document still makes a valid file of one blank page.
            QPainter painter(&writer);
        }
    }
    replaceFile(fileName, bytes);
}

void ReceiptOutput::print(const QList<QImage>& sheets, const QString& queue, const ReceiptSettings& settings)
{
    const QPrinterInfo info = queue.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(queue);
    if (info.isNull())
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError, {},
                             queue.isEmpty() ? QStringLiteral("No default printer")
                                             : QStringLiteral("Printer ") + queue + QStringLiteral(" not found"));
    if (sheets.isEmpty())
        return;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Receipt"));
    if (!drawPages(printer, sheets, settings, false))
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError, {},
                             QStringLiteral("Printer ") + info.printerName() + QStringLiteral(" refused the job"));
}
