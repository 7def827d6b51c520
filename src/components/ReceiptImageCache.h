#pragma once

#include <QImage>
#include <QString>

// Reads the image files a receipt prints with Qt's image readers, at one image pixel a dot,
// fitted (scaled down, never up) to the column and the tallest image; a file that is no
// image, is cut short or needs more than 64 MB to read gives a null image. A logo is often
// printed several times in one job: the last file is read and fitted once.
class ReceiptImageCache {
public:
    ReceiptImageCache(int width, int tallest) : m_width(width), m_tallest(tallest) {}

    QImage fitted(const QString& fileName);

private:
    QImage read(const QString& fileName) const;

    int m_width;
    int m_tallest;
    QString m_lastFile;
    QImage m_last;
};
