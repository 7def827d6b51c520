#include "components/ReceiptGraphicsBlock.h"

ReceiptGraphicsBlock::ReceiptGraphicsBlock(int width, int tallestImage)
    : m_width(width), m_images(width, tallestImage)
{
}

QImage ReceiptGraphicsBlock::begin(const QString& verticalAlignment)
{
    QImage row = takeRow();
    m_open = true;
    m_verticalAlignment = verticalAlignment;
    return row;
}

QImage ReceiptGraphicsBlock::image(const QString& alignment, const QString& fileName)
{
    QImage image = m_images.fitted(fileName);
    if (image.isNull() || !m_open)
        return image;
    m_items.append({alignment, std::move(image)});
    return {};
}

QImage ReceiptGraphicsBlock::takeRow()
{
    if (m_items.isEmpty())
        return {};
    return ReceiptGraphicsRow::compose(std::exchange(m_items, {}), m_width, m_verticalAlignment);
}

QImage ReceiptGraphicsBlock::end()
{
    m_open = false;
    return takeRow();
}
