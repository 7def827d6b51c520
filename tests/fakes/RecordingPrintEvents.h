#pragma once

#include "controller/PrintEvents.h"

#include <QStringList>

// Records every print operation as one line, arguments written as they arrive, e.g.
// PrintText(A|b|2|2|c|0|Hello); counts the depth of PrintBegin/PrintEnd pairs.
class RecordingPrintEvents : public PrintEvents {
public:
    void RaisePrintBegin(qint16 numberOfDocuments) override;
    void RaisePrintVoucher(const QString& alignment) override;
    void RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                        const QString& alignment, qint16 indent, const QString& data) override;
    void RaisePrintLine(qint16 width) override;
    void RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                           const QString& data) override;
    void RaisePrintGraphicsBegin(const QString& verticalAlignment) override;
    void RaisePrintImage(const QString& alignment, const QString& fileName) override;
    void RaisePrintGraphicsEnd() override;
    void RaisePrintCut(bool& halfCut) override;
    void RaisePrintVoucherEnd() override;
    void RaisePrintEnd() override;

    QStringList events;
    // PrintBegin minus PrintEnd, and PrintVoucher minus PrintVoucherEnd.
    int printDepth = 0;
    int voucherDepth = 0;

private:
    void record(const QString& name, const QStringList& arguments = {});
};
