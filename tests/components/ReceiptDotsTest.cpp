// The receipt's own pixel work must give what Qt's general routines give, dot for dot.
#include "components/ReceiptBarcode.h"
#include "components/ReceiptDots.h"
#include "components/ReceiptPage.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QImage randomGrey(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = uchar(random.bounded(256));
    }
    return image;
}

// Every dot, and the bits Mono leaves over at the end of a row excluded.
void expectSameDots(const QImage& actual, const QImage& expected)
{
    ASSERT_EQ(actual.format(), expected.format());
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(actual.colorTable(), expected.colorTable());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(actual.pixelIndex(x, y), expected.pixelIndex(x, y)) << x << "," << y;
    }
}

TEST(ReceiptDots, EveryGreyLevelBecomesTheDotQtsThresholdMakes)
{
    // Each row holds all 256 levels, shifted by the row, on widths around whole bytes.
    for (const int width : {1, 7, 8, 9, 256, 259, 576}) {
        SCOPED_TRACE(width);
        QImage grey(width, 256, QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y) {
            for (int x = 0; x < width; ++x)
                grey.scanLine(y)[x] = uchar(x + y);
        }
        grey.setDotsPerMeterX(8000);
        grey.setDotsPerMeterY(12000);
        const QImage dots = ReceiptDots::of(grey);
        expectSameDots(dots, grey.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
        EXPECT_EQ(dots.dotsPerMeterX(), 8000);
        EXPECT_EQ(dots.dotsPerMeterY(), 12000);
    }
    expectSameDots(ReceiptDots::of(randomGrey(333, 50, 3)),
                   randomGrey(333, 50, 3).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
}

TEST(ReceiptPage, PagesAreWhiteAndGrowWithTheirDotsKept)
{
    QImage painted(100, 30, QImage::Format_Grayscale8);
    painted.fill(Qt::white);
    const QImage blank = ReceiptPage::blank(100, 30, 8000, 9000);
    EXPECT_EQ(blank, painted);
    EXPECT_EQ(blank.dotsPerMeterX(), 8000);
    EXPECT_EQ(blank.dotsPerMeterY(), 9000);

    QImage page = randomGrey(101, 40, 5);
    page.setDotsPerMeterX(8000);
    QImage expected(101, 97, QImage::Format_Grayscale8);
    expected.fill(Qt::white);
    QPainter painter(&expected);
    painter.drawImage(0, 0, page);
    painter.end();
    const QImage taller = ReceiptPage::extended(page, 97);
    EXPECT_EQ(taller, expected);
    EXPECT_EQ(taller.dotsPerMeterX(), 8000);

    ReceiptPage::whiten(page);
    page.setDotsPerMeterX(painted.dotsPerMeterX());
    EXPECT_EQ(page, ReceiptPage::blank(101, 40, page.dotsPerMeterX(), page.dotsPerMeterY()));
}

TEST(ReceiptBarcode, ModulesAreEnlargedAsQtScalesThem)
{
    const struct {
        int width;
        int height;
        int module;
        int rows;
    } cases[] = {
        {1, 1, 1, 1}, {21, 21, 3, 63}, {25, 25, 7, 175}, {57, 57, 5, 285}, {101, 1, 2, 96},
        {95, 1, 3, 120}, {300, 1, 1, 800}, {17, 5, 4, 20}, {33, 11, 6, 66},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " module " << c.module);
        QImage raster = randomGrey(c.width, c.height, quint32(c.width * 7 + c.module));
        const QImage expected = raster.scaled(c.width * c.module, c.rows, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_EQ(ReceiptBarcode::enlarged(raster, c.module, c.rows), expected);
    }
}

TEST(ReceiptPage, OpaqueColourImagesDrawAsTheirGreyConversion)
{
    QImage colour(61, 37, QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < colour.height(); ++y) {
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    const auto drawn = [](const QImage& image) {
        QImage page = ReceiptPage::blank(100, 50, 8000, 8000);
        QPainter painter(&page);
        painter.drawImage(13, 7, image);
        return page;
    };
    EXPECT_EQ(drawn(ReceiptPage::grey(colour)), drawn(colour));
}

} // namespace
