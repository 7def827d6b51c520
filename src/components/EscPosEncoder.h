#pragma once

#include "components/EscPosCodePage.h"
#include "components/EscPosFont.h"
#include "components/ReceiptGraphicsBlock.h"
#include "components/ReceiptSettings.h"
#include "controller/PrintEvents.h"

#include <QByteArray>
#include <QList>

// Writes the print events of a voucher as one ESC/POS job for a thermal receipt printer: the
// same events the receipt renderer draws. Text goes in the printer's own fonts (EscPosFont
// chooses the one that keeps the voucher's characters per line) in the code page of
// printer_code_page, wrapped at word boundaries; rules, images, graphics rows and the codes
// the printer does not draw itself (printer_barcodes) go as raster images a column wide, laid
// out as the renderer lays them out; cuts are cuts, and the job ends at the cutter.
//
// As the renderer, a job stops taking paper after 3 m: what comes after is left out.
class EscPosEncoder : public PrintEvents {
public:
    // The printer's character height of font A in dots (a 203 dpi head).
    static constexpr int kFontAHeight = EscPosFont::kFontAHeight;
    // ESC 3 n: the dots from one text line to the next, the height of a line of font A in the
    // drawn receipt (10 points at 203 dpi). A taller line feeds its own height.
    static constexpr int kLineSpacing = 33;

    explicit EscPosEncoder(const ReceiptSettings& settings);

    // The job so far: it starts by putting the printer into a known state (initialise, no
    // Kanji, U.S.A. character set, the code page, the line spacing). After PrintEnd it ends
    // at the cutter.
    const QByteArray& job() const { return m_job; }

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

    // The lines a text prints on, wrapped at word boundaries (anywhere in a longer word) to
    // the characters a line holds; blanks inside a line are kept. Empty text is one line.
    static QStringList wrapped(const QString& text, int charactersPerLine);

private:
    // A text in the font letter's characters per line.
    void text(const QString& letter, const QString& emphasis, int charWidth, int charHeight, const QString& alignment,
              int indent, const QString& data);
    // An 8-bit grey image a column wide, as its dots.
    void raster(const QImage& strip);
    // An image placed on a white strip a column wide at the alignment, keeping white of the
    // given widths on its sides.
    void rasterPlaced(const QImage& image, const QString& alignment, int whiteLeft = 0, int whiteRight = 0);
    void feed(int dots);
    // The row of a graphics block, with the space of a rule after it.
    void rasterRow(const QImage& row);
    // Counts rows of paper; false once the job has used all of its paper.
    bool takePaper(int rows);
    // Feeds to the cutter and cuts, unless nothing was printed since the last cut.
    void cut(bool halfCut);

    ReceiptSettings m_settings;
    int m_width;
    EscPosCodePage m_codePage;
    QStringList m_native;
    QByteArray m_job;
    int m_rows = 0;
    int m_mostRows;
    bool m_paperOut = false;
    // Something printed since the start or the last cut.
    bool m_printed = false;
    bool m_fontWarned = false;

    ReceiptGraphicsBlock m_graphics;
};
