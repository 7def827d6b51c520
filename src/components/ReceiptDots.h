#pragma once

#include <QImage>

// The dots a thermal printer burns for a drawing: black where the drawing is darker than
// middle grey, white elsewhere, one bit a dot (QImage::Format_Mono, colour 0 white and 1 black),
// with the drawing's resolution.
class ReceiptDots {
public:
    static QImage of(const QImage& drawing);

private:
    // The receipt is drawn in 8-bit grey: its dots are packed directly, eight at a time. Qt
    // takes such an image through 32-bit colour first, which cost several times the PNG
    // encoding of a whole receipt.
    static QImage ofGrey(const QImage& grey);
};
