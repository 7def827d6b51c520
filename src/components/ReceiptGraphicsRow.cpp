#include "components/ReceiptGraphicsRow.h"

#include "components/ReceiptPage.h"

#include <algorithm>

namespace {

// What identifies a row: its images (their data), alignments, the width and the alignment.
QString keyOf(const QList<ReceiptGraphicsRow::Item>& items, int width, const QString& verticalAlignment)
{
    QString key = QString::number(width) + u'|' + verticalAlignment;
    for (const ReceiptGraphicsRow::Item& item : items)
        key += u'|' + QString::number(item.image.cacheKey()) + u':' + item.alignment;
    return key;
}

} // namespace

QImage ReceiptGraphicsRow::compose(const QList<Item>& items, int width, const QString& verticalAlignment)
{
    if (items.isEmpty())
        return {};
    // The same logo row on every receipt: the last row made is made once.
    static QString lastKey;
    static QImage lastRow;
    const QString key = keyOf(items, width, verticalAlignment);
    if (key != lastKey) {
        lastRow = composed(items, width, verticalAlignment);
        lastKey = key;
    }
    return lastRow;
}

QImage ReceiptGraphicsRow::composed(QList<Item> items, int width, const QString& verticalAlignment)
{
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
