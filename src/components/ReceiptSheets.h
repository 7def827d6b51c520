#pragma once

#include <QImage>
#include <QList>

class ReceiptSettings;

// Puts slips on sheets of the paper's width: print_columns by print_rows cells, filled left
// to right and top to bottom, after the left and top margins and with the column gap between
// columns. A row is print_row_height tall (a taller slip is cut off there) or, with 0, as tall
// as its tallest slip; the bottom margin follows the last row.
class ReceiptSheets {
public:
    static QList<QImage> arrange(const QList<QImage>& slips, const ReceiptSettings& settings);

    // The sheets one under the other as they leave a roll, a dashed line marking each cut.
    static QImage roll(const QList<QImage>& sheets, const ReceiptSettings& settings);
};
