#include "components/ReceiptOutput.h"

#include "components/ReceiptSettings.h"
#include "components/ReceiptSheets.h"
#include "platform/RuntimeErrors.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

namespace {

[[noreturn]] void raiseFileError(const QString& fileName, const QString& reason)
{
    RuntimeErrors::raise(RuntimeErrors::PathFileAccessError, {},
                         QStringLiteral("Cannot write ") + fileName + QStringLiteral(": ") + reason);
}

// The dots a thermal printer burns: black where the drawing is darker than middle grey.
QImage printedDots(const QImage& image)
{
    return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

// What Qt's PNG writer calls quality: 50 is a middle zlib level, several times faster than the
// default on a receipt's long, mostly white rows, for a file a few per cent larger.
constexpr int kPngQuality = 50;

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
                          dots ? printedDots(sheet) : sheet);
    }
    return painter.end();
}

} // namespace

void ReceiptOutput::writePng(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings)
{
    const QImage roll = printedDots(ReceiptSheets::roll(sheets, settings));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        raiseFileError(fileName, file.errorString());
    if (!roll.save(&file, "PNG", kPngQuality))
        raiseFileError(fileName, QStringLiteral("the image could not be encoded"));
    if (!file.commit())
        raiseFileError(fileName, file.errorString());
}

void ReceiptOutput::writePdf(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        raiseFileError(fileName, file.errorString());
    {
        QPdfWriter writer(&file);
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
    if (!file.commit())
        raiseFileError(fileName, file.errorString());
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
