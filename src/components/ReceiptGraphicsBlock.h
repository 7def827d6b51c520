#pragma once

#include "components/ReceiptGraphicsRow.h"
#include "components/ReceiptImageCache.h"

#include <QImage>
#include <QList>
#include <QString>

// The images of a receipt as the print events give them: inside a graphics block they are
// kept for one row (ReceiptGraphicsRow), outside one each stands on its own row. Shared by
// the drawn receipt and the ESC/POS job, which place what this hands back.
class ReceiptGraphicsBlock {
public:
    ReceiptGraphicsBlock(int width, int tallestImage);

    // Starts a block; the row of a block still open, or a null image.
    QImage begin(const QString& verticalAlignment);
    // The image of the file, fitted to the column, to be placed alone now; null when the file
    // is no image or the image is kept for the block's row.
    QImage image(const QString& alignment, const QString& fileName);
    // The row of the images kept so far (null when none); the block stays open.
    QImage takeRow();
    // Ends the block: its row, or a null image.
    QImage end();

private:
    int m_width;
    bool m_open = false;
    QString m_verticalAlignment;
    QList<ReceiptGraphicsRow::Item> m_items;
    ReceiptImageCache m_images;
};
