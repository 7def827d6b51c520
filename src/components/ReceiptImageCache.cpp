#include "components/ReceiptImageCache.h"

#include "components/ReceiptPage.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

namespace {

constexpr int kImageAllocationMb = 64;

struct Kept {
    QDateTime modified;
    qint64 size = -1;
    QImage image;
};

QHash<QString, Kept>& kept()
{
    static QHash<QString, Kept> images;
    return images;
}

} // namespace

QImage ReceiptImageCache::fitted(const QString& fileName) const
{
    const QFileInfo info(fileName);
    const QString key = fileName + u'|' + QString::number(m_width) + u'|' + QString::number(m_tallest);
    const QDateTime modified = info.lastModified();
    if (const auto found = kept().constFind(key);
        found != kept().cend() && found->modified == modified && found->size == info.size())
        return found->image;
    const QImage image = read(fileName);
    if (kept().size() >= kKeptImages)
        kept().clear();
    kept().insert(key, {modified, info.size(), image});
    return image;
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
    return ReceiptPage::grey(image);
}
