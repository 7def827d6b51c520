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
        // The white the symbology asks for on each side (and above and below a 2-D code), in
        // dots: a scanner finds no code that touches other marks or the paper's edge.
        int quietLeft = 0;
        int quietRight = 0;

        int widthWithQuietZones() const { return quietLeft + image.width() + quietRight; }
    };

    // Dots of one module of a linear code, and of a 2-D code, per unit of width.
    static constexpr int kLinearModuleDots = 2;
    static constexpr int kMatrixModuleDots = 3;
    static constexpr int kWidestUnit = 8;

    // A code of the width (1 to 8 units) drawn with modules of whole dots, as wide as asked or
    // narrower so that it fits the column with its quiet zones: a resampled code has bars of
    // uneven widths that no scanner reads. Null when the type is unknown, the data does not
    // fit the code, or the code does not fit at one dot a module (logged as a warning).
    static Symbol fitted(const QString& type, int width, int heightDots, const QString& data, int columnDots);

    // type: code39, code93, code128, ean13 / ean8 / ean (by length), upca, itf, codabar, qr,
    // pdf417, datamatrix, aztec; case, blanks, "-" and "_" do not matter.
    static Symbol render(const QString& type, int moduleDots, int heightDots, const QString& data);

    // The quiet zone of a symbology in modules, left and right (EAN-13 and EAN-8 share a
    // symbology and differ by their width in modules).
    struct QuietZone {
        int left;
        int right;
    };
    static QuietZone quietZone(int symbology, int modules);

    // The data as it is encoded: without the blanks, tabs and line breaks around it, which are
    // the layout of the markup.
    static QString encodedData(const QString& data);

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
