#pragma once

#include <QString>

// What a voucher's markup has set so far. Elements change only the fields they name, so the
// state lives with its owner (a Voucher) from one document to the next; everything starts
// empty or zero.
struct VoucherPrintState {
    QString alignment;
    QString font;
    QString emphasis;
    qint16 charWidth = 0;
    qint16 charHeight = 0;
    QString hardSpace;
    qint16 indent = 0;
    QString barcodeType;
    QString verticalAlignment;
    // Character data collected since the last text or barcode element began (an image element
    // starts it with its file name).
    QString data;
};
