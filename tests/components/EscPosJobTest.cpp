#include "common/TestFiles.h"
#include "components/EscPosCode128.h"
#include "components/EscPosEncoder.h"
#include "components/EscPosFont.h"
#include "components/ReceiptBarcode.h"
#include "components/ReceiptPrinter.h"
#include "fakes/EscPosJobDecoder.h"
#include "fakes/ServiceFixture.h"
#include "services/Trace.h"
#include "VoucherFolder.h"

#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

using JobItem = EscPosJobDecoder::Item;

QByteArray referenceBytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}

// The state every job starts from, as the command reference spells it: ESC @, FS ., ESC R 0,
// ESC t 16 (Windows-1252), ESC 3 33.
const QByteArray kInitialState =
    referenceBytes({0x1B, 0x40, 0x1C, 0x2E, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x10, 0x1B, 0x33, 0x21});

// A letter for each item the printer read: T text, F full cut, H partial cut, I image, B
// barcode, S 2-D symbol, ? anything it could not read.
QString itemLetters(const QList<JobItem>& items)
{
    QString letters;
    for (const JobItem& item : items) {
        switch (item.kind) {
        case JobItem::Kind::Text: letters += u'T'; break;
        case JobItem::Kind::Cut: letters += item.halfCut ? u'H' : u'F'; break;
        case JobItem::Kind::Image: letters += u'I'; break;
        case JobItem::Kind::Barcode: letters += u'B'; break;
        case JobItem::Kind::Symbol2D: letters += u'S'; break;
        case JobItem::Kind::Unknown: letters += u'?'; break;
        }
    }
    return letters;
}

class EscPosJobTest : public ServiceFixture {
protected:
    EscPosJobTest()
    {
        settings.type = QStringLiteral("escpos");
        settings.logoPath = kVouchers + QStringLiteral("/logos");
        settings.dataPath = folder.path();
    }

    QByteArray jobOf(const QByteArray& body)
    {
        const QString path = folder.filePath(QStringLiteral("job.xml"));
        EXPECT_TRUE(TestFiles::write(path, "<document>" + body + "</document>"));
        return ReceiptPrinter::escPosJob(path, settings);
    }

    static EscPosJobDecoder decoded(const QByteArray& job)
    {
        EscPosJobDecoder decoder;
        decoder.feed(job);
        return decoder;
    }

    QTemporaryDir folder;
    ReceiptSettings settings;
};

TEST_F(EscPosJobTest, AJobStartsFromAKnownStateAndEndsAtTheCutter)
{
    QByteArray expected = kInitialState;
    // ESC a 0, ESC M 0, GS ! 0, ESC E 0, ESC - 0, GS B 0, the line, then GS V 65 0: feed to
    // the cutter and cut.
    expected += referenceBytes({0x1B, 0x61, 0x00, 0x1B, 0x4D, 0x00, 0x1D, 0x21, 0x00, 0x1B, 0x45, 0x00, 0x1B, 0x2D,
                                0x00, 0x1D, 0x42, 0x00});
    expected += "Hi\n";
    expected += referenceBytes({0x1D, 0x56, 0x41, 0x00});
    EXPECT_EQ(jobOf("<text>Hi</text>").toHex(' '), expected.toHex(' '));
    // Nothing printed: the printer is put in its state and nothing is cut.
    EXPECT_EQ(jobOf("").toHex(' '), kInitialState.toHex(' '));

    const EscPosJobDecoder decoder = decoded(jobOf("<text>Hi</text>"));
    EXPECT_TRUE(decoder.kanjiCancelled());
    EXPECT_EQ(decoder.characterSet(), 0);
    EXPECT_EQ(decoder.items().first().lineSpacing, EscPosEncoder::kLineSpacing);
}

TEST_F(EscPosJobTest, EveryJobEndsCutAndNoCutCutsBlankPaper)
{
    const struct {
        const char* body;
        const char* printed;
    } cases[] = {
        {"<cut/>", ""},
        {"<cut/><cut f='half'/>", ""},
        {"<text>a</text>", "TF"},
        {"<text>a</text><cut f='half'/>", "TH"},
        {"<text>a</text><cut f='half'/><cut/>", "TH"},
        {"<cut/><text>a</text><cut/><cut/><text>b</text>", "TFTF"},
        {"<text>a</text><cut f='half'/><line/>", "THIF"},
        {"<graphics><image f='quiba'/></graphics>", "IF"},
        {"<barcode y='ean13'>590123412345</barcode><cut/>", "ITF"},
    };
    for (const auto& c : cases) {
        const QByteArray job = jobOf(c.body);
        EXPECT_EQ(itemLetters(decoded(job).items()), QString::fromLatin1(c.printed)) << c.body;
        // Nothing follows the last cut.
        if (qstrlen(c.printed) > 0) {
            const char last = c.printed[qstrlen(c.printed) - 1];
            EXPECT_TRUE(job.endsWith(referenceBytes({0x1D, 0x56, last == 'H' ? 0x42 : 0x41, 0x00}))) << c.body;
        }
    }
}

// A QR code keeps 4 modules of white above and below it, a PDF417 2, at the module the printer
// draws it with; the fixed space before a code is 12 dots, less than one module of a wide code.
TEST_F(EscPosJobTest, ACodeDrawnByThePrinterKeepsItsQuietZoneAboveAndBelow)
{
    settings.nativeBarcodes = {QStringLiteral("all")};
    const struct {
        const char* type;
        int width;
        int quietModules;
    } cases[] = {
        {"qr", 1, 4},
        {"qr", 5, 4},
        {"pdf417", 1, 2},
        {"pdf417", 8, 2},
    };
    for (const auto& c : cases) {
        const QByteArray body = "<text>above</text><barcode y='" + QByteArray(c.type) + "' w='"
                                + QByteArray::number(c.width) + "'>PIN 1234</barcode><text>below</text>";
        const QList<JobItem> items = decoded(jobOf(body)).items();
        ASSERT_EQ(itemLetters(items), QStringLiteral("TSTF")) << c.type << c.width;
        const int quiet = c.quietModules * items[1].module;
        EXPECT_GE(items[1].module, 1);
        EXPECT_GE(items[1].fedBefore, quiet) << c.type << " module " << items[1].module;
        EXPECT_GE(items[2].fedBefore, quiet) << c.type << " module " << items[1].module;
    }
}

TEST_F(EscPosJobTest, ThePrinterFontKeepsTheCharactersPerLineOfTheVoucher)
{
    using Font = EscPosFont;
    const struct {
        int column;
        int wanted;
        quint8 named;
        int asked;
        Font::Cells cells;
        quint8 font;
        int scale;
        bool holds;
    } cases[] = {
        // 576 dots (72 mm): font A holds 48, font B 64 characters. The named font at the asked
        // width where it holds the line.
        {576, 42, Font::kFontA, 1, {}, Font::kFontA, 1, true},
        {576, 56, Font::kFontB, 1, {}, Font::kFontB, 1, true},
        {576, 21, Font::kFontA, 2, {}, Font::kFontA, 2, true},
        {576, 28, Font::kFontB, 2, {}, Font::kFontB, 2, true},
        {576, 6, Font::kFontA, 8, {}, Font::kFontA, 8, true},
        // Otherwise the widest characters that hold it: 48 dots of font A hold 12, 45 of font B too.
        {576, 12, Font::kFontA, 8, {}, Font::kFontA, 4, true},
        {576, 50, Font::kFontA, 1, {}, Font::kFontB, 1, true},
        // 384 dots (48 mm): font A holds 32, font B 42.
        {384, 42, Font::kFontA, 1, {}, Font::kFontB, 1, true},
        {384, 21, Font::kFontA, 2, {}, Font::kFontB, 2, true},
        {384, 32, Font::kFontA, 1, {}, Font::kFontA, 1, true},
        {384, 56, Font::kFontB, 1, {}, Font::kFontB, 1, false},
        // Printers whose fonts differ: a tie keeps the named font, the narrower one is the fallback.
        {576, 28, Font::kFontB, 2, {12, 12}, Font::kFontB, 1, true},
        {576, 42, Font::kFontA, 1, {16, 9}, Font::kFontB, 1, true},
        {576, 80, Font::kFontA, 1, {8, 9}, Font::kFontA, 1, false},
    };
    for (const auto& c : cases) {
        const Font::Choice choice = Font::choose(c.column, c.wanted, c.named, c.asked, c.cells);
        const std::string trace = std::to_string(c.column) + " dots, " + std::to_string(c.wanted) + " wanted, font "
                                  + std::to_string(c.named) + " x" + std::to_string(c.asked);
        EXPECT_EQ(choice.font, c.font) << trace;
        EXPECT_EQ(choice.scale, c.scale) << trace;
        EXPECT_EQ(choice.holds, c.holds) << trace;
        if (c.holds) {
            EXPECT_GE(choice.perLine, c.wanted) << trace;
        }
    }
}

// On 48 mm paper the sample's lines of font C (42 characters) stay whole; font B's 56 do not fit
// any printer font and are wrapped, with one warning for the job.
TEST_F(EscPosJobTest, OnNarrowPaperTheSampleKeepsItsLinesAndWarnsOnce)
{
    settings.paperWidthMm = 48;
    const QByteArray job = ReceiptPrinter::escPosJob(kVouchers + QStringLiteral("/sample.xml"), settings);
    const QStringList lines = decoded(job).lines();
    const QStringList totals = lines.filter(QStringLiteral("TOTAL"));
    ASSERT_EQ(totals.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(totals.first().endsWith(QStringLiteral("20.50"))) << totals.first().toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("Date:")).first(), QStringLiteral("Date:                 10/12/2026 14:05"));
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{
                                 {QStringLiteral("Printer fonts too wide for 56 characters a line: text wrapped at 42"),
                                  Trace::WarningSeverity}}));

    logger->lines.clear();
    settings.paperWidthMm = 72;
    ReceiptPrinter::escPosJob(kVouchers + QStringLiteral("/sample.xml"), settings);
    EXPECT_TRUE(logger->lines.isEmpty());
}

// The fewest symbol characters a CODE128 symbol of code sets B and C needs for the data: every
// sequence of code sets, by dynamic programming over the position and the set in use.
int fewestCode128Characters(const QByteArray& data)
{
    constexpr int kNone = std::numeric_limits<int>::max() / 4;
    const auto digit = [&data](qsizetype i) { return i < data.size() && data[i] >= '0' && data[i] <= '9'; };
    const qsizetype n = data.size();
    // fewest[i][set]: characters for data from i on, set 0 (B) or 1 (C) in use.
    std::vector<std::array<int, 2>> fewest(size_t(n) + 1, {0, 0});
    for (qsizetype i = n - 1; i >= 0; --i) {
        const int inB = 1 + fewest[size_t(i) + 1][0];
        const int inC = digit(i) && digit(i + 1) ? 1 + fewest[size_t(i) + 2][1] : kNone;
        fewest[size_t(i)][0] = std::min(inB, 1 + inC);
        fewest[size_t(i)][1] = std::min(inC, 1 + inB);
    }
    if (n == 0)
        return 0;
    // The start character chooses the first set.
    const int startB = 1 + fewest[1][0];
    const int startC = digit(0) && digit(1) ? 1 + fewest[2][1] : kNone;
    return std::min(startB, startC);
}

TEST_F(EscPosJobTest, Code128IsTheShortestSymbolForTheData)
{
    QList<QByteArray> table{"a", "{x{", "A1B2", "12", "1", ""};
    for (int digits = 1; digits <= 9; ++digits) {
        const QByteArray run = QByteArray("1234567890").left(digits);
        table += {run, run + "AB", "ab" + run, "ab" + run + "cd", run + "x" + run, "x" + run + "y" + run + "z",
                  "{" + run + "{"};
    }
    for (const QByteArray& data : std::as_const(table)) {
        if (data.isEmpty())
            continue;
        const std::optional<QByteArray> encoded = EscPosCode128::encoded(data);
        ASSERT_TRUE(encoded) << data.toStdString();
        EXPECT_EQ(EscPosCode128::symbolCharacters(*encoded), fewestCode128Characters(data)) << data.toStdString();
        // libzint, which also draws the shortest symbol, agrees on the width.
        EXPECT_EQ(EscPosCode128::modules(*encoded),
                  ReceiptBarcode::render(QStringLiteral("code128"), 1, 1, QString::fromLatin1(data)).image.width())
            << data.toStdString();
        // The printer reads the data back from GS k 73.
        EscPosJobDecoder decoder;
        decoder.feed("\x1Dk\x49" + QByteArray(1, char(encoded->size())) + *encoded);
        ASSERT_EQ(decoder.items().size(), 1) << data.toStdString();
        EXPECT_EQ(decoder.items().first().text, QString::fromLatin1(data));
    }
    EXPECT_FALSE(EscPosCode128::encoded("a\tb"));
    EXPECT_FALSE(EscPosCode128::encoded("\xE9"));
}

} // namespace
