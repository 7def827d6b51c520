#include "components/ReceiptRenderer.h"

#include "components/ReceiptBarcode.h"
#include "components/ReceiptEmphasis.h"
#include "components/ReceiptPage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

// Paper fed before the first and after the last line of a slip, and around rules and codes.
constexpr double kTopFeedMm = 2.0;
constexpr double kBottomFeedMm = 5.0;
// The first page buffer.
constexpr double kFirstPageMm = 250.0;

int fontIndex(const QString& letter)
{
    if (letter == u"B")
        return 1;
    if (letter == u"C")
        return 2;
    return 0;
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

// The first and last column of a grey image with any ink; first > last when it has none.
std::pair<int, int> inkColumns(const QImage& image)
{
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < first; ++x) {
            if (row[x] != 255) {
                first = x;
                break;
            }
        }
        for (int x = image.width() - 1; x > last; --x) {
            if (row[x] != 255) {
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

// How far to move ink drawn with margin dots of room on both sides of a column so that it
// lies inside the column: glyphs reach out of their boxes (an italic f to the right, a j to
// the left) and would be cut at the column's edges.
int shiftInside(const QImage& drawn, int margin, int width)
{
    const auto [first, last] = inkColumns(drawn);
    if (first > last)
        return 0;
    if (first < margin)
        return margin - first;
    if (last >= margin + width)
        return -std::min(last - (margin + width) + 1, first - margin);
    return 0;
}

ReceiptSettings clamped(ReceiptSettings settings)
{
    settings.clamp();
    return settings;
}

} // namespace

ReceiptRenderer::ReceiptRenderer(const ReceiptSettings& settings)
    : m_settings(clamped(settings)), m_width(m_settings.columnWidthDots()),
      m_graphics(m_width, m_settings.dotsY(kTallestImageMm))
{
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
    const int width = charScale(charWidth);
    const int height = charScale(charHeight);
    QFont result = baseFont(f, int(std::lround(f.points * m_settings.dpiY() / 72.0)) * height);
    result.setStretch(int(std::lround(m_stretch.at(std::size_t(index)) * width / height)));
    const ReceiptEmphasis e = ReceiptEmphasis::parse(emphasis);
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

void ReceiptRenderer::placeBlock(const QImage& block, const QString& alignment, int whiteLeft, int whiteRight)
{
    if (block.isNull())
        return;
    if (!makeRoom(block.height()))
        return;
    QPainter painter(&m_page);
    painter.drawImage(whiteLeft + leftFor(alignment, whiteLeft + block.width() + whiteRight), m_y, greyOf(block));
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
    drawText(this->font(font, emphasis, charWidth, charHeight), ReceiptEmphasis::parse(emphasis).reverse, alignment,
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
    // Drawn with room on both sides first, then moved inside the column whole.
    const int margin = int(std::ceil(QFontMetricsF(font, &m_page).height()));
    QImage drawn = ReceiptPage::blank(m_width + 2 * margin, dots, m_page.dotsPerMeterX(), m_page.dotsPerMeterY());
    if (drawn.isNull())
        return;
    QPainter painter(&drawn);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (reverse) {
        const QRectF bounds = layout.boundingRect().translated(margin + indentDots, 0);
        painter.fillRect(bounds.adjusted(-2, 0, 2, 0), Qt::black);
        painter.setPen(Qt::white);
    } else {
        painter.setPen(Qt::black);
    }
    layout.draw(&painter, QPointF(margin + indentDots, 0));
    painter.end();
    const int from = margin - shiftInside(drawn, margin, m_width);
    // Darker wins: what reaches into these rows from above stays.
    for (int y = 0; y < dots; ++y) {
        uchar* out = m_page.scanLine(m_y + y);
        const uchar* in = drawn.constScanLine(y) + from;
        for (int x = 0; x < m_width; ++x)
            out[x] = std::min(out[x], in[x]);
    }
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
    const int heightDots = m_settings.dotsY(std::clamp(int(height), 1, kTallestBarcodeMm));
    const ReceiptBarcode::Symbol symbol = ReceiptBarcode::fitted(barcodeType, width, heightDots, data, m_width);
    if (symbol.image.isNull()) {
        // Data the code cannot hold, or a code the paper cannot hold, is still printed, so the
        // voucher keeps its number.
        drawText(font(QStringLiteral("A"), {}, 1, 1), false, alignment, 0, ReceiptBarcode::encodedData(data));
        return;
    }
    m_y += std::max(m_settings.dotsY(kBarcodeSpaceMm), symbol.twoDimensional ? symbol.quietLeft : 0);
    placeBlock(symbol.image, alignment, symbol.quietLeft, symbol.quietRight);
    if (!symbol.humanReadable.isEmpty()) {
        const QString under = alignment == u"l" || alignment == u"r" ? alignment : QStringLiteral("c");
        drawText(font(QStringLiteral("B"), {}, 1, 1), false, under, 0, symbol.humanReadable);
    }
    m_y += std::max(m_settings.dotsY(kRuleSpaceMm), symbol.twoDimensional ? symbol.quietLeft : 0);
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

void ReceiptRenderer::RaisePrintGraphicsBegin(const QString& verticalAlignment)
{
    placeRow(m_graphics.begin(verticalAlignment));
}

void ReceiptRenderer::RaisePrintImage(const QString& alignment, const QString& fileName)
{
    if (!m_paperOut)
        placeBlock(m_graphics.image(alignment, fileName), alignment);
}

void ReceiptRenderer::RaisePrintGraphicsEnd()
{
    placeRow(m_graphics.end());
}

void ReceiptRenderer::placeRow(const QImage& row)
{
    if (row.isNull() || !makeRoom(row.height()))
        return;
    placeBlock(row, QStringLiteral("l"));
    m_y += m_settings.dotsY(kRuleSpaceMm);
}

void ReceiptRenderer::RaisePrintCut(bool&)
{
    placeRow(m_graphics.takeRow());
    finishSlip();
}

void ReceiptRenderer::RaisePrintVoucherEnd()
{
    placeRow(m_graphics.end());
}

void ReceiptRenderer::RaisePrintEnd()
{
    placeRow(m_graphics.end());
    finishSlip();
}
