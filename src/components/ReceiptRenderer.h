#pragma once

#include "components/ReceiptGraphicsBlock.h"
#include "components/ReceiptSettings.h"
#include "controller/PrintEvents.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <algorithm>
#include <array>

// Draws the print events of a voucher as a receipt printer prints them: one column of the
// paper, line under line, in printer dots. Each cut (and the end of the job) ends a slip.
//
// Sizes are bounded whatever the markup asks: character width and height 1 to 8, line
// thickness 1 to 16, barcode height up to 100 mm, images fitted to the column and to 300 mm;
// a slip is ended when it reaches 1 m, and a job stops printing after 3 m of paper or 32
// million dots, whichever comes first.
class ReceiptRenderer : public PrintEvents {
public:
    static constexpr int kLargestCharScale = 8;
    static constexpr int charScale(int value) { return std::clamp(value, 1, kLargestCharScale); }
    static constexpr int kThickestLine = 16;
    static constexpr int kTallestBarcodeMm = 100;
    static constexpr int kTallestImageMm = 300;
    static constexpr int kLongestSlipMm = 1000;
    static constexpr int kLongestJobMm = 3000;
    static constexpr qint64 kMostJobDots = 32'000'000;
    // Space above and below a rule and below a code, above a code, and a rule's thickness
    // for each unit of its width.
    static constexpr double kRuleSpaceMm = 1.0;
    static constexpr double kBarcodeSpaceMm = 1.5;
    static constexpr double kLineUnitMm = 0.25;

    explicit ReceiptRenderer(const ReceiptSettings& settings);

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

    // The slips finished so far, each as wide as a column.
    const QList<QImage>& slips() const { return m_slips; }
    // Ends the slip in progress, if anything is on it.
    void finishSlip();

    // The font of a text: its family and size from the settings, its characters widened so
    // that the font's characters per line fill the column, then scaled by width and height.
    QFont font(const QString& letter, const QString& emphasis, int charWidth, int charHeight) const;

private:
    // Makes room for height more dots below the cursor, ending the slip when it is full;
    // false once the job has used all its paper.
    bool makeRoom(int height);
    int longestSlip() const;
    // Places an image on its own row at the alignment, with white of the given widths kept on
    // its sides, and moves the cursor below it.
    void placeBlock(const QImage& block, const QString& alignment, int whiteLeft = 0, int whiteRight = 0);
    int leftFor(const QString& alignment, int width) const;
    // The row of a graphics block, below the cursor with the space of a rule after it.
    void placeRow(const QImage& row);
    // ReceiptPage::grey of an image, kept for the next drawing of the same image.
    QImage greyOf(const QImage& image);
    void drawText(const QFont& font, bool reverse, const QString& alignment, int indentDots, const QString& text);

    ReceiptSettings m_settings;
    int m_width;
    std::array<double, 3> m_stretch{};

    QImage m_page;
    int m_y = 0;
    bool m_drawn = false;
    // Dots down the paper the finished slips took, and the most a job may take.
    int m_used = 0;
    int m_jobRows = 0;
    // Set once the job has used all its paper: nothing more is drawn.
    bool m_paperOut = false;
    QList<QImage> m_slips;

    ReceiptGraphicsBlock m_graphics;
    // The last image drawn and its grey dots.
    QImage m_greySource;
    QImage m_grey;
};
