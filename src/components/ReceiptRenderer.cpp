#include "components/ReceiptRenderer.h"

#include "components/ReceiptBarcode.h"
#include "components/ReceiptPage.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

// Paper fed before the first and after the last line of a slip, and around rules and codes.
constexpr double kTopFeedMm = 2.0;
constexpr double kBottomFeedMm = 5.0;
constexpr double kRuleSpaceMm = 1.0;
constexpr double kLineUnitMm = 0.25;
constexpr double kBarcodeSpaceMm = 1.5;
// Dots of one module of a linear code, and of a 2-D code, per unit of width.
constexpr int kLinearModuleDots = 2;
constexpr int kMatrixModuleDots = 3;
// The first page buffer, and the most memory an image file may take to read.
constexpr double kFirstPageMm = 250.0;
constexpr int kImageAllocationMb = 64;

struct Emphasis {
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool reverse = false;

    // Words (bold, underline, italic, reverse or inverse) or their letters, in any order and
    // separated by anything that is not a letter: "bold", "b", "bu", "bold,underline".
    static Emphasis parse(const QString& text)
    {
        static const QHash<QString, QChar> words{{QStringLiteral("bold"), u'b'},
                                                 {QStringLiteral("underline"), u'u'},
                                                 {QStringLiteral("italic"), u'i'},
                                                 {QStringLiteral("reverse"), u'r'},
                                                 {QStringLiteral("inverse"), u'r'}};
        static const QRegularExpression separators(QStringLiteral("[^a-z]+"));
        Emphasis e;
        for (const QString& word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
            if (const auto found = words.constFind(word); found != words.cend()) {
                e.set(*found);
                continue;
            }
            for (QChar letter : word)
                e.set(letter);
        }
        return e;
    }

    void set(QChar letter)
    {
        switch (letter.unicode()) {
        case u'b': bold = true; break;
        case u'u': underline = true; break;
        case u'i': italic = true; break;
        case u'r': reverse = true; break;
        default: break;
        }
    }
};

int fontIndex(const QString& letter)
{
    if (letter == u"B")
        return 1;
    if (letter == u"C")
        return 2;
    return 0;
}

int scale(int value)
{
    return std::clamp(value, 1, ReceiptRenderer::kLargestCharScale);
}

QFont baseFont(const ReceiptSettings::Font& settings, int pixelSize)
{
    QFont font(settings.family);
    if (settings.family.contains(QStringLiteral("courier"), Qt::CaseInsensitive)
        || settings.family.contains(QStringLiteral("mono"), Qt::CaseInsensitive))
        font.setStyleHint(QFont::TypeWriter);
    else
        font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixelSize));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace

ReceiptRenderer::ReceiptRenderer(const ReceiptSettings& settings)
    : m_settings(settings), m_width(settings.columnWidthDots())
{
    m_settings.clamp();
    m_width = m_settings.columnWidthDots();
    const char letters[] = {'A', 'B', 'C'};
    for (int i = 0; i < 3; ++i) {
        const ReceiptSettings::Font& f = m_settings.font(QString(QChar(letters[i])));
        const QFont plain = baseFont(f, int(std::lround(f.points * m_settings.dpiY() / 72.0)));
        const double average = QFontMetricsF(plain).horizontalAdvance(QStringLiteral("0123456789abcdefghij")) / 20.0;
        const double wanted = double(m_width) / f.charactersPerLine;
        m_stretch.at(std::size_t(i)) = average > 0 ? std::clamp(100.0 * wanted / average, 25.0, 400.0) : 100.0;
    }
    m_jobRows = int(std::min<qint64>(m_settings.dotsY(kLongestJobMm), kMostJobDots / std::max(1, m_width)));
    m_page = ReceiptPage::blank(m_width, std::clamp(m_settings.dotsY(kFirstPageMm), 1, longestSlip()),
                                m_settings.pelsPerMetreX, m_settings.pelsPerMetreY);
    m_y = m_settings.dotsY(kTopFeedMm);
}

QFont ReceiptRenderer::font(const QString& letter, const QString& emphasis, int charWidth, int charHeight) const
{
    const int index = fontIndex(letter);
    const ReceiptSettings::Font& f = m_settings.font(letter);
    const int width = scale(charWidth);
    const int height = scale(charHeight);
    QFont result = baseFont(f, int(std::lround(f.points * m_settings.dpiY() / 72.0)) * height);
    result.setStretch(int(std::lround(m_stretch.at(std::size_t(index)) * width / height)));
    const Emphasis e = Emphasis::parse(emphasis);
    result.setBold(e.bold);
    result.setUnderline(e.underline);
    result.setItalic(e.italic);
    return result;
}

int ReceiptRenderer::longestSlip() const
{
    return std::min(m_settings.dotsY(kLongestSlipMm), m_jobRows);
}

bool ReceiptRenderer::makeRoom(int height)
{
    const int longest = longestSlip();
    height = std::min(height, longest / 2);
    if (m_y + height > longest)
        finishSlip();
    if (m_used + m_y + height > m_jobRows)
        m_paperOut = true;
    if (m_paperOut)
        return false;
    if (m_y + height <= m_page.height())
        return true;
    m_page = ReceiptPage::extended(m_page, std::min(longest, std::max(m_page.height() * 2, m_y + height)));
    return true;
}

void ReceiptRenderer::finishSlip()
{
    if (!m_drawn)
        return;
    const int height = std::min(m_page.height(), m_y + m_settings.dotsY(kBottomFeedMm));
    m_slips.append(m_page.copy(0, 0, m_width, height));
    m_used += height;
    ReceiptPage::whiten(m_page);
    m_y = m_settings.dotsY(kTopFeedMm);
    m_drawn = false;
}

int ReceiptRenderer::leftFor(const QString& alignment, int width) const
{
    if (alignment == u"c")
        return std::max(0, (m_width - width) / 2);
    if (alignment == u"r")
        return std::max(0, m_width - width);
    return 0;
}

void ReceiptRenderer::placeBlock(const QImage& block, const QString& alignment)
{
    if (block.isNull())
        return;
    if (!makeRoom(block.height()))
        return;
    QPainter painter(&m_page);
    painter.drawImage(leftFor(alignment, block.width()), m_y, greyOf(block));
    m_y += block.height();
    m_drawn = true;
}

void ReceiptRenderer::RaisePrintBegin(qint16)
{
}

void ReceiptRenderer::RaisePrintVoucher(const QString&)
{
}

void ReceiptRenderer::RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                                     const QString& alignment, qint16 indent, const QString& data)
{
    if (m_paperOut)
        return;
    const ReceiptSettings::Font& f = m_settings.font(font);
    const int characterDots = m_width / f.charactersPerLine;
    const int indentDots = std::clamp(int(indent), 0, f.charactersPerLine - 1) * characterDots;
    drawText(this->font(font, emphasis, charWidth, charHeight), Emphasis::parse(emphasis).reverse, alignment,
             indentDots, data);
}

void ReceiptRenderer::drawText(const QFont& font, bool reverse, const QString& alignment, int indentDots,
                               const QString& text)
{
    QTextLayout layout(text, font, &m_page);
    QTextOption option(alignment == u"c" ? Qt::AlignHCenter : alignment == u"r" ? Qt::AlignRight : Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const int lineWidth = m_width - indentDots;
    double height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lineWidth);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    if (layout.lineCount() == 0)
        height = QFontMetricsF(font, &m_page).lineSpacing();

    const int dots = int(std::ceil(height));
    if (!makeRoom(dots))
        return;
    QPainter painter(&m_page);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (reverse) {
        const QRectF bounds = layout.boundingRect().translated(indentDots, m_y);
        painter.fillRect(bounds.adjusted(-2, 0, 2, 0), Qt::black);
        painter.setPen(Qt::white);
    } else {
        painter.setPen(Qt::black);
    }
    layout.draw(&painter, QPointF(indentDots, m_y));
    m_y += dots;
    m_drawn = true;
}

void ReceiptRenderer::RaisePrintLine(qint16 width)
{
    const int space = m_settings.dotsY(kRuleSpaceMm);
    const int thickness = std::max(1, m_settings.dotsY(kLineUnitMm * std::clamp(int(width), 1, kThickestLine)));
    if (!makeRoom(2 * space + thickness))
        return;
    QPainter painter(&m_page);
    painter.fillRect(0, m_y + space, m_width, thickness, Qt::black);
    m_y += 2 * space + thickness;
    m_drawn = true;
}

void ReceiptRenderer::RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height,
                                        const QString& alignment, const QString& data)
{
    if (m_paperOut)
        return;
    int module = scale(width) * (ReceiptBarcode::isMatrix(barcodeType) ? kMatrixModuleDots : kLinearModuleDots);
    const int heightDots = m_settings.dotsY(std::clamp(int(height), 1, kTallestBarcodeMm));
    ReceiptBarcode::Symbol symbol = ReceiptBarcode::render(barcodeType, module, heightDots, data);
    // Narrower modules until the code fits the column.
    while (!symbol.image.isNull() && symbol.image.width() > m_width && module > 1) {
        module = std::max(1, module * m_width / symbol.image.width());
        symbol = ReceiptBarcode::render(barcodeType, module, heightDots, data);
    }
    if (symbol.image.isNull()) {
        // Data the code cannot hold is still printed, so the voucher keeps its number.
        drawText(font(QStringLiteral("A"), {}, 1, 1), false, alignment, 0, data);
        return;
    }
    if (symbol.image.width() > m_width)
        symbol.image = symbol.image.scaledToWidth(m_width);
    m_y += m_settings.dotsY(kBarcodeSpaceMm);
    placeBlock(symbol.image, alignment);
    if (!symbol.humanReadable.isEmpty()) {
        const QString under = alignment == u"l" || alignment == u"r" ? alignment : QStringLiteral("c");
        drawText(font(QStringLiteral("B"), {}, 1, 1), false, under, 0, symbol.humanReadable);
    }
    m_y += m_settings.dotsY(kRuleSpaceMm);
}

QImage ReceiptRenderer::fittedImage(const QString& fileName)
{
    // A logo is often printed several times in one job: it is read and fitted once.
    if (m_lastImageFile.isNull() || fileName != m_lastImageFile) {
        m_lastImage = readFittedImage(fileName);
        m_lastImageFile = fileName;
    }
    return m_lastImage;
}

QImage ReceiptRenderer::greyOf(const QImage& image)
{
    // The same logo drawn again is the same image data (its cache key): converted once.
    if (image.cacheKey() != m_greySource.cacheKey()) {
        m_greySource = image;
        m_grey = ReceiptPage::grey(image);
    }
    return m_grey;
}

QImage ReceiptRenderer::readFittedImage(const QString& fileName) const
{
    QImageReader reader(fileName);
    reader.setAllocationLimit(kImageAllocationMb);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    const int tallest = m_settings.dotsY(kTallestImageMm);
    if (image.width() > m_width || image.height() > tallest)
        image = image.scaled(m_width, tallest, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void ReceiptRenderer::RaisePrintGraphicsBegin(const QString& verticalAlignment)
{
    if (m_inGraphics)
        drawGraphicsRow();
    m_inGraphics = true;
    m_verticalAlignment = verticalAlignment;
}

void ReceiptRenderer::RaisePrintImage(const QString& alignment, const QString& fileName)
{
    if (m_paperOut)
        return;
    QImage image = fittedImage(fileName);
    if (image.isNull())
        return;
    if (m_inGraphics)
        m_graphics.append({alignment, std::move(image)});
    else
        placeBlock(image, alignment);
}

void ReceiptRenderer::RaisePrintGraphicsEnd()
{
    drawGraphicsRow();
    m_inGraphics = false;
}

// The images of a graphics block side by side: left-aligned ones from the left edge,
// right-aligned ones from the right edge, the others centred between; each row aligned
// at the top, middle or bottom of the tallest.
void ReceiptRenderer::drawGraphicsRow()
{
    if (m_graphics.isEmpty())
        return;
    int total = 0;
    for (const PendingImage& p : std::as_const(m_graphics))
        total += p.image.width();
    if (total > m_width) {
        for (PendingImage& p : m_graphics)
            p.image = p.image.scaledToWidth(std::max(1, p.image.width() * m_width / total), Qt::SmoothTransformation);
    }
    int rowHeight = 0;
    int leftEdge = 0;
    int rightEdge = m_width;
    int centreWidth = 0;
    for (const PendingImage& p : std::as_const(m_graphics)) {
        rowHeight = std::max(rowHeight, p.image.height());
        if (p.alignment != u"l" && p.alignment != u"r")
            centreWidth += p.image.width();
    }
    if (!makeRoom(rowHeight)) {
        m_graphics.clear();
        return;
    }
    QPainter painter(&m_page);
    int centre = (m_width - centreWidth) / 2;
    for (const PendingImage& p : std::as_const(m_graphics)) {
        int x;
        if (p.alignment == u"l") {
            x = leftEdge;
            leftEdge += p.image.width();
        } else if (p.alignment == u"r") {
            rightEdge -= p.image.width();
            x = rightEdge;
        } else {
            x = centre;
            centre += p.image.width();
        }
        int y = m_y;
        if (m_verticalAlignment == u"b")
            y += rowHeight - p.image.height();
        else if (m_verticalAlignment != u"t")
            y += (rowHeight - p.image.height()) / 2;
        painter.drawImage(std::max(0, x), y, greyOf(p.image));
    }
    painter.end();
    m_graphics.clear();
    m_y += rowHeight + m_settings.dotsY(kRuleSpaceMm);
    m_drawn = true;
}

void ReceiptRenderer::RaisePrintCut(bool&)
{
    drawGraphicsRow();
    finishSlip();
}

void ReceiptRenderer::RaisePrintVoucherEnd()
{
    drawGraphicsRow();
    m_inGraphics = false;
}

void ReceiptRenderer::RaisePrintEnd()
{
    drawGraphicsRow();
    m_inGraphics = false;
    finishSlip();
}
