#include "components/EscPosEncoder.h"

#include "components/EscPosBarcode.h"
#include "components/EscPosCommands.h"
#include "components/ReceiptBarcode.h"
#include "components/ReceiptDots.h"
#include "components/ReceiptEmphasis.h"
#include "components/ReceiptPage.h"
#include "components/ReceiptRenderer.h"
#include "services/Services.h"
#include "services/Trace.h"
#include "platform/Variant.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

using Command = EscPosCommands::Command;

constexpr QStringView kAll = u"all";
constexpr char kLineFeed = '\n';
// Room for the job of a voucher of a few KB with its logo, made once.
constexpr qsizetype kJobReserve = 64 * 1024;
// ESC R 0: the U.S.A. character set, so that no byte below 128 prints as another country's letter.
constexpr quint8 kUsaCharacters = 0;
// GS V m: function B, feed to the cutter and cut in full or partly.
constexpr char kFullCut = 65;
constexpr char kPartialCut = 66;

QString normalisedType(const QString& type)
{
    QString name = type.toLower();
    name.remove(u' ').remove(u'-').remove(u'_');
    return name;
}

// Line breaks and tabs in the data of a text lay it out in the markup; they print as blanks.
QString layoutAsBlanks(QString text)
{
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    return text;
}

// The text under a code keeps to the code's side, centred under a centred one.
QString alignmentBelowCode(const QString& alignment)
{
    return alignment == u"l" || alignment == u"r" ? alignment : QStringLiteral("c");
}

} // namespace

EscPosEncoder::EscPosEncoder(const ReceiptSettings& settings)
    : m_settings(settings), m_width(0), m_codePage(EscPosCodePage::named(settings.codePage)),
      m_mostRows(0), m_graphics(1, 1)
{
    m_settings.clamp();
    m_width = m_settings.columnWidthDots();
    m_mostRows = m_settings.dotsY(ReceiptRenderer::kLongestJobMm);
    m_graphics = ReceiptGraphicsBlock(m_width, m_settings.dotsY(ReceiptRenderer::kTallestImageMm));
    for (const QString& type : std::as_const(m_settings.nativeBarcodes))
        m_native.append(normalisedType(type));
    m_job.reserve(kJobReserve);
    m_job += EscPosCommands::command(Command::Initialise);
    m_job += EscPosCommands::command(Command::CancelKanji);
    EscPosCommands::append(m_job, Command::Characters, kUsaCharacters);
    EscPosCommands::append(m_job, Command::CodeTable, m_codePage.table());
    EscPosCommands::append(m_job, Command::LineSpacing, quint8(kLineSpacing));
}

bool EscPosEncoder::takePaper(int rows)
{
    if (m_rows + rows > m_mostRows)
        m_paperOut = true;
    if (m_paperOut)
        return false;
    m_rows += rows;
    return true;
}

QStringList EscPosEncoder::wrapped(const QString& text, int charactersPerLine)
{
    const int width = std::max(1, charactersPerLine);
    QStringList lines;
    QStringView rest(text);
    while (rest.size() > width) {
        qsizetype cut = rest.left(width + 1).lastIndexOf(u' ');
        qsizetype next = cut + 1;
        if (cut <= 0) {
            cut = width;
            next = width;
        }
        QStringView line = rest.left(cut);
        while (!line.isEmpty() && line.back() == u' ')
            line.chop(1);
        lines.append(line.toString());
        rest = rest.mid(next);
        while (!rest.isEmpty() && rest.front() == u' ')
            rest = rest.mid(1);
    }
    if (!rest.isEmpty() || lines.isEmpty())
        lines.append(rest.toString());
    return lines;
}

void EscPosEncoder::RaisePrintBegin(qint16)
{
}

void EscPosEncoder::RaisePrintVoucher(const QString&)
{
}

void EscPosEncoder::RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth,
                                   qint16 charHeight, const QString& alignment, qint16 indent, const QString& data)
{
    text(font, emphasis, charWidth, charHeight, alignment, indent, data);
}

void EscPosEncoder::text(const QString& letter, const QString& emphasis, int charWidth, int charHeight,
                         const QString& alignment, int indent, const QString& data)
{
    // The voucher was laid out for the characters a line of the font letter holds in the drawn
    // receipt, at the character width asked.
    const int width = ReceiptRenderer::charScale(charWidth);
    const int height = ReceiptRenderer::charScale(charHeight);
    const int wanted = std::max(1, m_settings.font(letter).charactersPerLine / width);
    const EscPosFont::Choice font =
        EscPosFont::choose(m_width, wanted, letter == u"B" ? EscPosFont::kFontB : EscPosFont::kFontA, width,
                           {m_settings.fontADots, m_settings.fontBDots});
    if (!font.holds && !m_fontWarned) {
        m_fontWarned = true;
        Services::logger().log(Variant(u"Printer fonts too wide for %1 characters a line: text wrapped at %2"_s
                                           .arg(wanted)
                                           .arg(font.perLine)),
                               Trace::WarningSeverity);
    }
    const int blanks = std::clamp(indent, 0, font.perLine - 1);
    const QStringList lines = wrapped(layoutAsBlanks(data), font.perLine - blanks);
    if (!takePaper(int(lines.size()) * std::max(kLineSpacing, font.cellHeight * height)))
        return;
    m_printed = true;
    const ReceiptEmphasis e = ReceiptEmphasis::parse(emphasis);
    EscPosCommands::append(m_job, Command::Justification, EscPosBarcode::justification(alignment));
    EscPosCommands::append(m_job, Command::Font, font.font);
    EscPosCommands::append(m_job, Command::CharacterSize, quint8((font.scale - 1) << 4 | (height - 1)));
    EscPosCommands::append(m_job, Command::Emphasis, quint8(e.bold));
    EscPosCommands::append(m_job, Command::Underline, quint8(e.underline));
    EscPosCommands::append(m_job, Command::Reverse, quint8(e.reverse));
    for (const QString& line : lines) {
        m_job.append(blanks, ' ');
        m_job += m_codePage.encode(line);
        m_job.append(kLineFeed);
    }
}

void EscPosEncoder::feed(int dots)
{
    if (takePaper(dots))
        m_job += EscPosCommands::feed(dots);
}

void EscPosEncoder::raster(const QImage& strip)
{
    if (strip.isNull() || !takePaper(strip.height()))
        return;
    m_printed = true;
    m_job += EscPosCommands::command(Command::Justification, quint8(0));
    m_job += EscPosCommands::raster(ReceiptDots::of(strip));
}

void EscPosEncoder::rasterPlaced(const QImage& image, const QString& alignment, int whiteLeft, int whiteRight)
{
    if (image.isNull())
        return;
    QImage strip = ReceiptPage::blank(m_width, image.height(), m_settings.pelsPerMetreX, m_settings.pelsPerMetreY);
    if (strip.isNull())
        return;
    const int total = whiteLeft + image.width() + whiteRight;
    int left = 0;
    if (alignment == u"c")
        left = std::max(0, (m_width - total) / 2);
    else if (alignment == u"r")
        left = std::max(0, m_width - total);
    ReceiptPage::put(strip, ReceiptPage::grey(image), left + whiteLeft, 0);
    raster(strip);
}

void EscPosEncoder::RaisePrintLine(qint16 width)
{
    const int space = m_settings.dotsY(ReceiptRenderer::kRuleSpaceMm);
    const int thickness = std::max(
        1, m_settings.dotsY(ReceiptRenderer::kLineUnitMm * std::clamp(int(width), 1, ReceiptRenderer::kThickestLine)));
    feed(space);
    if (takePaper(thickness)) {
        m_printed = true;
        m_job += EscPosCommands::command(Command::Justification, quint8(0));
        m_job += EscPosCommands::solid(m_width, thickness);
    }
    feed(space);
}

void EscPosEncoder::RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height,
                                      const QString& alignment, const QString& data)
{
    if (m_paperOut)
        return;
    const int heightDots = m_settings.dotsY(std::clamp(int(height), 1, ReceiptRenderer::kTallestBarcodeMm));
    const int space = m_settings.dotsY(ReceiptRenderer::kBarcodeSpaceMm);
    const bool native = m_native.contains(kAll) || m_native.contains(normalisedType(barcodeType));
    if (native) {
        if (const auto drawn = EscPosBarcode::commands(barcodeType, width, heightDots, alignment, data, m_width)) {
            // A 2-D code keeps its quiet zone above and below as well as beside it.
            feed(std::max(space, drawn->quietDots));
            if (takePaper(drawn->heightDots)) {
                m_printed = true;
                m_job += drawn->bytes;
                if (!drawn->textBelow.isEmpty())
                    text(QStringLiteral("B"), {}, 1, 1, alignmentBelowCode(alignment), 0, drawn->textBelow);
            }
            feed(std::max(m_settings.dotsY(ReceiptRenderer::kRuleSpaceMm), drawn->quietDots));
            return;
        }
    }
    const ReceiptBarcode::Symbol symbol = ReceiptBarcode::fitted(barcodeType, width, heightDots, data, m_width);
    if (symbol.image.isNull()) {
        // Data the code cannot hold, or a code the paper cannot hold, is still printed, so the
        // voucher keeps its number.
        text(QStringLiteral("A"), {}, 1, 1, alignment, 0, ReceiptBarcode::encodedData(data));
        return;
    }
    feed(std::max(space, symbol.twoDimensional ? symbol.quietLeft : 0));
    rasterPlaced(symbol.image, alignment, symbol.quietLeft, symbol.quietRight);
    if (!symbol.humanReadable.isEmpty())
        text(QStringLiteral("B"), {}, 1, 1, alignmentBelowCode(alignment), 0, symbol.humanReadable);
    feed(std::max(m_settings.dotsY(ReceiptRenderer::kRuleSpaceMm), symbol.twoDimensional ? symbol.quietLeft : 0));
}

void EscPosEncoder::RaisePrintGraphicsBegin(const QString& verticalAlignment)
{
    rasterRow(m_graphics.begin(verticalAlignment));
}

void EscPosEncoder::RaisePrintImage(const QString& alignment, const QString& fileName)
{
    if (!m_paperOut)
        rasterPlaced(m_graphics.image(alignment, fileName), alignment);
}

void EscPosEncoder::rasterRow(const QImage& row)
{
    if (row.isNull())
        return;
    // A row of logos is nearly always the one of the last receipt (ReceiptGraphicsRow):
    // its dots are turned into raster bytes once.
    static qint64 lastRow = 0;
    static QByteArray lastRaster;
    if (takePaper(row.height())) {
        m_printed = true;
        if (row.cacheKey() != lastRow) {
            lastRaster = EscPosCommands::raster(ReceiptDots::of(row));
            lastRow = row.cacheKey();
        }
        m_job += EscPosCommands::command(Command::Justification, quint8(0));
        m_job += lastRaster;
    }
    feed(m_settings.dotsY(ReceiptRenderer::kRuleSpaceMm));
}

void EscPosEncoder::RaisePrintGraphicsEnd()
{
    rasterRow(m_graphics.end());
}

void EscPosEncoder::RaisePrintCut(bool& halfCut)
{
    rasterRow(m_graphics.takeRow());
    cut(halfCut);
}

void EscPosEncoder::cut(bool halfCut)
{
    // A cut with nothing printed before it would cut off blank paper.
    if (!m_printed)
        return;
    m_printed = false;
    // Function B: feed to the cutter, then cut.
    m_job += EscPosCommands::command(Command::Cut, QByteArray(1, halfCut ? kPartialCut : kFullCut) + '\0');
}

void EscPosEncoder::RaisePrintVoucherEnd()
{
    rasterRow(m_graphics.end());
}

void EscPosEncoder::RaisePrintEnd()
{
    rasterRow(m_graphics.end());
    // What was printed after the last cut is fed past the cutter and cut off.
    cut(false);
}
