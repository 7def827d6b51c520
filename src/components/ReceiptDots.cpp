#include "components/ReceiptDots.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Grey levels below this are black, as Qt's threshold conversion draws them.
constexpr uchar kMiddleGrey = 128;

// The byte of eight dots, the first one in the highest bit.
uchar packDots(const uchar* grey, int count)
{
    uchar byte = 0;
    for (int k = 0; k < count; ++k) {
        if (grey[k] < kMiddleGrey)
            byte |= uchar(0x80 >> k);
    }
    return byte;
}

// The same for eight dots at once: a level is below middle grey when its highest bit is clear.
// The multiplication gathers the lowest bit of each byte of its operand into the top byte,
// the first byte's bit highest.
uchar packEightDots(const uchar* grey)
{
    if constexpr (std::endian::native != std::endian::little)
        return packDots(grey, 8);
    quint64 levels;
    std::memcpy(&levels, grey, sizeof levels);
    const quint64 dark = (~levels >> 7) & 0x0101010101010101ull;
    return uchar((dark * 0x8040201008040201ull) >> 56);
}

} // namespace

QImage ReceiptDots::of(const QImage& drawing)
{
    if (drawing.format() == QImage::Format_Grayscale8)
        return ofGrey(drawing);
    return drawing.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage ReceiptDots::ofGrey(const QImage& grey)
{
    const int width = grey.width();
    const int height = grey.height();
    QImage dots(width, height, QImage::Format_Mono);
    if (dots.isNull())
        return dots;
    dots.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    dots.setDotsPerMeterX(grey.dotsPerMeterX());
    dots.setDotsPerMeterY(grey.dotsPerMeterY());
    for (int y = 0; y < height; ++y) {
        const uchar* in = grey.constScanLine(y);
        uchar* out = dots.scanLine(y);
        int x = 0;
        for (; x + 8 <= width; x += 8)
            out[x / 8] = packEightDots(in + x);
        if (x < width)
            out[x / 8] = packDots(in + x, width - x);
    }
    return dots;
}
