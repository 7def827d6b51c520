#pragma once

#include <QImage>

// The 8-bit grey images a receipt is drawn on. They are white or copied byte for byte, not
// painted: QImage::fill(QColor) and QPainter take a grey image through the general raster
// engine, which splits a page of millions of dots over a thread pool.
class ReceiptPage {
public:
    // A white page; null when it cannot be allocated.
    static QImage blank(int width, int height, int dotsPerMeterX, int dotsPerMeterY);
    // Makes the whole page white again.
    static void whiten(QImage& page);
    // The page with white rows added below it, height rows in all.
    static QImage extended(const QImage& page, int height);
    // An image to draw on a page, in the page's format when it is in opaque 32-bit colour (as
    // read from a BMP or JPEG file): the painter then copies its dots instead of converting
    // them through the thread pool, and the page gets the same dots. Other formats stay as
    // they are (an image with transparency is blended with what lies under it).
    static QImage grey(const QImage& image);
    // Puts an image on a white part of a page with its top left at x, y: a grey image is
    // copied byte for byte, any other drawn by the painter (blended with the white).
    static void put(QImage& page, const QImage& image, int x, int y);
};
