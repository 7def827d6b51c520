#include "components/ReceiptSheets.h"

#include "components/ReceiptPage.h"
#include "components/ReceiptSettings.h"

#include <QPainter>
#include <algorithm>

namespace {

constexpr double kCutSpaceMm = 3.0;

QImage blankImage(const ReceiptSettings& settings, int width, int height)
{
    return ReceiptPage::blank(std::max(1, width), std::max(1, height), settings.pelsPerMetreX, settings.pelsPerMetreY);
}

} // namespace

QList<QImage> ReceiptSheets::arrange(const QList<QImage>& slips, const ReceiptSettings& settings)
{
    const int cells = settings.columns * settings.rows;
    const int columnStep = settings.columnWidthDots() + settings.dotsX(settings.columnGapMm);
    const int left = settings.dotsX(settings.leftMarginMm);
    const int top = settings.dotsY(settings.topMarginMm);
    const int bottom = settings.dotsY(settings.bottomMarginMm);
    // One slip a sheet without margins: the slips are the sheets.
    if (cells == 1 && left == 0 && top == 0 && bottom == 0 && settings.rowHeightMm == 0
        && settings.columnWidthDots() == settings.paperWidthDots())
        return slips;
    QList<QImage> sheets;
    for (qsizetype first = 0; first < slips.size(); first += cells) {
        const QList<QImage> onSheet = slips.mid(first, cells);
        QList<int> rowHeights;
        for (qsizetype i = 0; i < onSheet.size(); i += settings.columns) {
            int height = settings.dotsY(settings.rowHeightMm);
            if (height == 0) {
                for (const QImage& slip : onSheet.mid(i, settings.columns))
                    height = std::max(height, slip.height());
            }
            rowHeights.append(height);
        }
        int sheetHeight = top + bottom;
        for (int height : std::as_const(rowHeights))
            sheetHeight += height;
        QImage sheet = blankImage(settings, settings.paperWidthDots(), sheetHeight);
        QPainter painter(&sheet);
        int y = top;
        for (qsizetype i = 0; i < onSheet.size(); ++i) {
            const int row = int(i / settings.columns);
            const int column = int(i % settings.columns);
            const QImage& slip = onSheet.at(i);
            painter.drawImage(left + column * columnStep, y, slip, 0, 0, slip.width(),
                              std::min(slip.height(), rowHeights.at(row)));
            if (column == settings.columns - 1)
                y += rowHeights.at(row);
        }
        painter.end();
        sheets.append(sheet);
    }
    return sheets;
}

QImage ReceiptSheets::roll(const QList<QImage>& sheets, const ReceiptSettings& settings)
{
    if (sheets.size() == 1)
        return sheets.first();
    const int space = settings.dotsY(kCutSpaceMm);
    int height = 0;
    for (const QImage& sheet : sheets)
        height += sheet.height();
    height += space * int(std::max<qsizetype>(0, sheets.size() - 1));
    QImage roll = blankImage(settings, settings.paperWidthDots(), height);
    QPainter painter(&roll);
    QPen dashes(Qt::black, std::max(1, settings.dotsY(0.25)), Qt::DashLine);
    int y = 0;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        if (i > 0) {
            painter.setPen(dashes);
            painter.drawLine(0, y + space / 2, roll.width(), y + space / 2);
            y += space;
        }
        painter.drawImage(0, y, sheets.at(i));
        y += sheets.at(i).height();
    }
    return roll;
}
