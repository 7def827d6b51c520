#include "components/ReceiptGraphicsRow.h"

#include "components/ReceiptPage.h"

#include <algorithm>

QImage ReceiptGraphicsRow::compose(QList<Item> items, int width, const QString& verticalAlignment)
{
    if (items.isEmpty())
        return {};
    int total = 0;
    for (const Item& item : std::as_const(items))
        total += item.image.width();
    if (total > width) {
        for (Item& item : items)
            item.image = item.image.scaledToWidth(std::max(1, item.image.width() * width / total),
                                                  Qt::SmoothTransformation);
    }
    int rowHeight = 0;
    int centreWidth = 0;
    for (const Item& item : std::as_const(items)) {
        rowHeight = std::max(rowHeight, item.image.height());
        if (item.alignment != u"l" && item.alignment != u"r")
            centreWidth += item.image.width();
    }
    QImage row = ReceiptPage::blank(width, rowHeight, items.first().image.dotsPerMeterX(),
                                    items.first().image.dotsPerMeterY());
    if (row.isNull())
        return row;
    int leftEdge = 0;
    int rightEdge = width;
    int centre = (width - centreWidth) / 2;
    for (const Item& item : std::as_const(items)) {
        int x;
        if (item.alignment == u"l") {
            x = leftEdge;
            leftEdge += item.image.width();
        } else if (item.alignment == u"r") {
            rightEdge -= item.image.width();
            x = rightEdge;
        } else {
            x = centre;
            centre += item.image.width();
        }
        int y = 0;
        if (verticalAlignment == u"b")
            y = rowHeight - item.image.height();
        else if (verticalAlignment != u"t")
            y = (rowHeight - item.image.height()) / 2;
        ReceiptPage::put(row, ReceiptPage::grey(item.image), std::max(0, x), y);
    }
    return row;
}
