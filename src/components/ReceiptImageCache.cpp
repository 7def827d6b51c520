#include "components/ReceiptImageCache.h"

#include <QImageReader>

namespace {

constexpr int kImageAllocationMb = 64;

} // namespace

QImage ReceiptImageCache::fitted(const QString& fileName)
{
    if (m_lastFile.isNull() || fileName != m_lastFile) {
        m_last = read(fileName);
        m_lastFile = fileName;
    }
    return m_last;
}

QImage ReceiptImageCache::read(const QString& fileName) const
{
    QImageReader reader(fileName);
    reader.setAllocationLimit(kImageAllocationMb);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    if (image.width() > m_width || image.height() > m_tallest)
        image = image.scaled(m_width, m_tallest, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}
