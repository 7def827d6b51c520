#pragma once

#include <QImage>
#include <QString>

// One barcode or 2-D code drawn with libzint as a black-on-white image, one module drawn as a
// square of module dots (linear codes as bars of the given height).
class ReceiptBarcode {
public:
    struct Symbol {
        // Null when the type is unknown or the data cannot be encoded in it.
        QImage image;
        // The text printed under a linear code (with its check digit), empty for 2-D codes.
        QString humanReadable;
        bool twoDimensional = false;
    };

    // type: code39, code93, code128, ean13 / ean8 / ean (by length), upca, itf, codabar, qr,
    // pdf417, datamatrix, aztec; case, blanks, "-" and "_" do not matter.
    static Symbol render(const QString& type, int moduleDots, int heightDots, const QString& data);

    // The libzint symbology of a type name; 0 when unknown.
    static int symbology(const QString& type);
    // True for the 2-D codes (qr, pdf417, datamatrix, aztec).
    static bool isMatrix(const QString& type);

    // The raster of a symbol (8-bit grey, one pixel a module) with each module moduleDots dots
    // wide and its rows spread evenly over height rows: what QImage::scaled with
    // Qt::FastTransformation makes of it, copied byte for byte instead of painted (the painter
    // spreads an image of this size over a thread pool).
    static QImage enlarged(const QImage& raster, int moduleDots, int height);
};
