#include "components/ReceiptPage.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace {

constexpr uint kWhite = 255;

} // namespace

QImage ReceiptPage::blank(int width, int height, int dotsPerMeterX, int dotsPerMeterY)
{
    QImage page(width, height, QImage::Format_Grayscale8);
    page.setDotsPerMeterX(dotsPerMeterX);
    page.setDotsPerMeterY(dotsPerMeterY);
    whiten(page);
    return page;
}

void ReceiptPage::whiten(QImage& page)
{
    page.fill(kWhite);
}

QImage ReceiptPage::extended(const QImage& page, int height)
{
    QImage taller(page.width(), height, QImage::Format_Grayscale8);
    if (taller.isNull())
        return taller;
    taller.setDotsPerMeterX(page.dotsPerMeterX());
    taller.setDotsPerMeterY(page.dotsPerMeterY());
    const int kept = std::min(page.height(), height);
    const qsizetype rowBytes = std::min(page.bytesPerLine(), taller.bytesPerLine());
    for (int y = 0; y < kept; ++y)
        std::memcpy(taller.scanLine(y), page.constScanLine(y), size_t(rowBytes));
    for (int y = kept; y < height; ++y)
        std::memset(taller.scanLine(y), int(kWhite), size_t(taller.bytesPerLine()));
    return taller;
}

QImage ReceiptPage::grey(const QImage& image)
{
    if (image.format() != QImage::Format_RGB32)
        return image;
    return image.convertToFormat(QImage::Format_Grayscale8);
}

void ReceiptPage::put(QImage& page, const QImage& image, int x, int y)
{
    if (image.format() != QImage::Format_Grayscale8) {
        QPainter painter(&page);
        painter.drawImage(x, y, image);
        return;
    }
    const int left = std::max(0, x);
    const int width = std::min(image.width() - (left - x), page.width() - left);
    if (width <= 0)
        return;
    for (int row = std::max(0, -y); row < image.height() && y + row < page.height(); ++row)
        std::memcpy(page.scanLine(y + row) + left, image.constScanLine(row) + (left - x), size_t(width));
}
