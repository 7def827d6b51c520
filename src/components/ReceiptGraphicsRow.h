#pragma once

#include <QImage>
#include <QList>
#include <QString>

// The images of a graphics block side by side on one row of the column: left-aligned ones
// from the left edge, right-aligned ones from the right edge, the others centred between;
// each at the top ("t"), bottom ("b") or middle (anything else) of the tallest. Images wider
// together than the column are narrowed in proportion.
class ReceiptGraphicsRow {
public:
    struct Item {
        QString alignment;
        QImage image;
    };

    // The row as an 8-bit grey image as wide as the column; null when there are no images.
    // The same images (the same image data: ReceiptImageCache keeps a logo's) in the same
    // places give the same row again, made once.
    static QImage compose(const QList<Item>& items, int width, const QString& verticalAlignment);

private:
    static QImage composed(QList<Item> items, int width, const QString& verticalAlignment);
};
