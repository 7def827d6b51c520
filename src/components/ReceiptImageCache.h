#pragma once

#include <QImage>
#include <QString>

// Reads the image files a receipt prints with Qt's image readers, at one image pixel a dot,
// fitted (scaled down, never up) to the column and the tallest image; a file that is no
// image, is cut short or needs more than 64 MB to read gives a null image. An opaque colour
// image comes back in 8-bit grey (ReceiptPage::grey).
//
// A logo is printed on nearly every receipt: the last few images read stay in memory for the
// whole process, each used again while its file keeps its time and size.
class ReceiptImageCache {
public:
    // The images kept at the most.
    static constexpr int kKeptImages = 8;

    ReceiptImageCache(int width, int tallest) : m_width(width), m_tallest(tallest) {}

    QImage fitted(const QString& fileName) const;

private:
    QImage read(const QString& fileName) const;

    int m_width;
    int m_tallest;
};
