#pragma once

#include <QString>

// The print operations a voucher's markup turns into, one per print event. The controller
// raises them to the Sovereign (with its print depth around nested jobs); a printer component
// draws them.
class PrintEvents {
public:
    virtual ~PrintEvents() = default;

    virtual void RaisePrintBegin(qint16 numberOfDocuments) = 0;
    virtual void RaisePrintVoucher(const QString& alignment) = 0;
    virtual void RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                                const QString& alignment, qint16 indent, const QString& data) = 0;
    virtual void RaisePrintLine(qint16 width) = 0;
    virtual void RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                                   const QString& data) = 0;
    virtual void RaisePrintGraphicsBegin(const QString& verticalAlignment) = 0;
    virtual void RaisePrintImage(const QString& alignment, const QString& fileName) = 0;
    virtual void RaisePrintGraphicsEnd() = 0;
    // HalfCut is in/out: a listener may change it.
    virtual void RaisePrintCut(bool& halfCut) = 0;
    virtual void RaisePrintVoucherEnd() = 0;
    virtual void RaisePrintEnd() = 0;
};
