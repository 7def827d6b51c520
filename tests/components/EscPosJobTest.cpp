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
#include <deque>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

using JobItem = EscPosJobDecoder::Item;


// The state every job starts from, as the command reference spells it: ESC @, FS ., ESC R 0,
// ESC t 16 (Windows-1252), ESC 3 33.
const QByteArray kInitialState =
    EscPosJobDecoder::bytes({0x1B, 0x40, 0x1C, 0x2E, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x10, 0x1B, 0x33, 0x21});

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
        settings = escPosSettings(folder.path());
    }

    QByteArray jobOf(const QByteArray& body)
    {
        const QString path = folder.filePath(QStringLiteral("job.xml"));
        EXPECT_TRUE(TestFiles::write(path, "<document>" + body + "</document>"));
        return ReceiptPrinter::escPosJob(path, settings);
    }


    QTemporaryDir folder;
    ReceiptSettings settings;
};

TEST_F(EscPosJobTest, AJobStartsFromAKnownStateAndEndsAtTheCutter)
{
    QByteArray expected = kInitialState;
    // ESC a 0, ESC M 0, GS ! 0, ESC E 0, ESC - 0, GS B 0, the line, then GS V 65 0: feed to
    // the cutter and cut.
    expected += EscPosJobDecoder::bytes({0x1B, 0x61, 0x00, 0x1B, 0x4D, 0x00, 0x1D, 0x21, 0x00, 0x1B, 0x45, 0x00, 0x1B, 0x2D,
                                0x00, 0x1D, 0x42, 0x00});
    expected += "Hi\n";
    expected += EscPosJobDecoder::bytes({0x1D, 0x56, 0x41, 0x00});
    EXPECT_EQ(jobOf("<text>Hi</text>").toHex(' '), expected.toHex(' '));
    // Nothing printed: the printer is put in its state and nothing is cut.
    EXPECT_EQ(jobOf("").toHex(' '), kInitialState.toHex(' '));

    const EscPosJobDecoder decoder = EscPosJobDecoder::of(jobOf("<text>Hi</text>"));
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
        EXPECT_EQ(itemLetters(EscPosJobDecoder::of(job).items()), QString::fromLatin1(c.printed)) << c.body;
        // Nothing follows the last cut.
        if (qstrlen(c.printed) > 0) {
            const char last = c.printed[qstrlen(c.printed) - 1];
            EXPECT_TRUE(job.endsWith(EscPosJobDecoder::bytes({0x1D, 0x56, last == 'H' ? 0x42 : 0x41, 0x00}))) << c.body;
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
        const QList<JobItem> items = EscPosJobDecoder::of(jobOf(body)).items();
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
    const QStringList lines = EscPosJobDecoder::of(job).lines();
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

// The fewest symbol characters a CODE128 symbol needs for the data, found by reading every
// sequence of symbol characters as a reader does; each step is one character. A reader's state:
// the position in the data, the code set (A, B, C), a double FNC4 in force, a single FNC4 and
// a shift waiting for the next character. Code set C is read without FNC4, and a shift is not
// followed by FNC4.
int fewestCode128Characters(const QByteArray& data)
{
    struct Reading {
        qsizetype at = 0;
        int set = 0;
        bool extended = false;
        bool fnc4 = false;
        bool shift = false;
    };
    constexpr int kA = 0;
    constexpr int kB = 1;
    constexpr int kC = 2;
    const auto index = [](const Reading& r) {
        return size_t((((r.at * 3 + r.set) * 2 + r.extended) * 2 + r.fnc4) * 2 + r.shift);
    };
    std::vector<int> steps(size_t(data.size() + 1) * 24, -1);
    std::deque<Reading> queue;
    // The start character chooses the first code set and is not counted.
    for (int set : {kA, kB, kC}) {
        queue.push_back({0, set});
        steps[index(queue.back())] = 0;
    }
    while (!queue.empty()) {
        const Reading r = queue.front();
        queue.pop_front();
        const int count = steps[index(r)];
        if (r.at == data.size() && !r.fnc4 && !r.shift)
            return count;
        std::vector<Reading> next;
        if (!r.fnc4 && !r.shift) {
            for (int set : {kA, kB, kC}) {
                if (set != r.set)
                    next.push_back({r.at, set, r.extended});
            }
        }
        if (r.set != kC && !r.shift) {
            next.push_back(r.fnc4 ? Reading{r.at, r.set, !r.extended} : Reading{r.at, r.set, r.extended, true});
            next.push_back({r.at, r.set, r.extended, r.fnc4, true});
        }
        const auto digit = [&data](qsizetype i) { return i < data.size() && data[i] >= '0' && data[i] <= '9'; };
        if (r.set == kC && !r.extended && digit(r.at) && digit(r.at + 1))
            next.push_back({r.at + 2, kC});
        if (r.set != kC && r.at < data.size()) {
            const int read = r.shift ? kA + kB - r.set : r.set;
            const int value = quint8(data[r.at]) ^ (r.extended != r.fnc4 ? 0x80 : 0);
            if (value < 0x80 && (read == kA ? value < 0x60 : value >= 0x20))
                next.push_back({r.at + 1, r.set, r.extended});
        }
        for (const Reading& n : next) {
            if (steps[index(n)] < 0) {
                steps[index(n)] = count + 1;
                queue.push_back(n);
            }
        }
    }
    return -1;
}

TEST_F(EscPosJobTest, Code128IsTheShortestSymbolForTheData)
{
    // How libzint, which draws the same code as a raster image, compares: the same width, wider
    // where its rules of thumb miss the shortest symbol, or not comparable (it refuses the C1
    // controls, and it reads code set C inside a double FNC4, which this encoding never uses).
    enum class Zint { Same, Wider, Apart };
    struct Row {
        QByteArray data;
        Zint zint;
    };
    QList<Row> table{{"a", Zint::Same},          {"{x{", Zint::Same},     {"A1B2", Zint::Same},
                     {"12", Zint::Same},         {"1", Zint::Same},       {"\x01", Zint::Same},
                     {"a\x01", Zint::Same},      {"\x01" "a", Zint::Same}, {"a\x01" "b", Zint::Same},
                     {"\x01" "a\x02", Zint::Same}, {"\x1F\x7F", Zint::Same}, {"\x7F", Zint::Same},
                     {"\xE9", Zint::Same},       {"\xFB", Zint::Same},    {"\xFF", Zint::Same},
                     {"\xA0", Zint::Same},       {"Caf\xE9", Zint::Same}, {"\xC9\x01", Zint::Same},
                     {"\x01\xC9\x02", Zint::Same}, {"\xE9\x01\xE9", Zint::Same}, {"\xE9\xE9\xE9", Zint::Same},
                     {"x\xE9\xE9\xE9\xE9\xE9y", Zint::Same},
                     {"\xE9\xE9\xE9\xE9\xE9" "ab\xE9\xE9\xE9\xE9\xE9", Zint::Same},
                     {"\xE9\xE9\xE9\xE9", Zint::Wider}, {"1A\x1F", Zint::Wider}, {"\x85", Zint::Apart},
                     {"a\x85" "b", Zint::Apart}};
    for (int digits = 1; digits <= 9; ++digits) {
        const QByteArray run = QByteArray("1234567890").left(digits);
        for (const QByteArray& data : {run, run + "AB", "ab" + run, "ab" + run + "cd", run + "x" + run,
                                       "x" + run + "y" + run + "z", "{" + run + "{", "\x01" + run, run + "\x01",
                                       "A\x01" + run, "\x01" + run + "b\x02", "\xE9" + run, run + "\xE9",
                                       "x\xE9" + run + "\xFB\xC9"})
            table.append({data, Zint::Same});
        table.append({"a\x01" + run + "\x02", digits == 4 || digits == 6 || digits == 8 ? Zint::Same : Zint::Wider});
        table.append({"\xE9\xE9\xE9\xE9\xE9" + run + "\xE9\xE9", Zint::Apart});
        table.append({run + "\x85" + run, Zint::Apart});
    }
    for (const Row& row : std::as_const(table)) {
        const QByteArray encoded = EscPosCode128::encoded(row.data);
        const std::string trace = row.data.toHex(' ').toStdString() + " as " + encoded.toHex(' ').toStdString();
        EXPECT_EQ(EscPosCode128::symbolCharacters(encoded), fewestCode128Characters(row.data)) << trace;
        if (row.zint != Zint::Apart) {
            const int zintModules =
                ReceiptBarcode::render(QStringLiteral("code128"), 1, 1, QString::fromLatin1(row.data)).image.width();
            if (row.zint == Zint::Same)
                EXPECT_EQ(EscPosCode128::modules(encoded), zintModules) << trace;
            else
                EXPECT_LT(EscPosCode128::modules(encoded), zintModules) << trace;
        }
        // The printer reads the data back from GS k 73.
        EscPosJobDecoder decoder;
        decoder.feed("\x1Dk\x49" + QByteArray(1, char(encoded.size())) + encoded);
        ASSERT_EQ(decoder.items().size(), 1) << trace;
        EXPECT_EQ(decoder.items().first().text, QString::fromLatin1(row.data)) << trace;
    }
    EXPECT_TRUE(EscPosCode128::encoded({}).isEmpty());
}

// The printer's data, as the command reference spells it, for codes that need code set A and
// FNC4; text beyond Latin-1 has no CODE128.
TEST_F(EscPosJobTest, Code128DataCarriesControlCharactersAndLatin1)
{
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("AB\t1234"), EscPosJobDecoder::bytes({0x7B, 0x41, 0x41, 0x42, 0x09, 0x7B, 0x43, 0x0C, 0x22})},
        {QStringLiteral("Caf\u00E9"), EscPosJobDecoder::bytes({0x7B, 0x42, 0x43, 0x61, 0x66, 0x7B, 0x34, 0x69})},
        {QStringLiteral("\u00E9\u00E9\u00E9\u00E9"),
         EscPosJobDecoder::bytes({0x7B, 0x42, 0x7B, 0x34, 0x7B, 0x34, 0x69, 0x69, 0x69, 0x69})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscPosCode128::encodedText(c.text), c.bytes) << c.text.toStdString();
    EXPECT_FALSE(EscPosCode128::encodedText(QStringLiteral("1 \u20AC")));
    // GS k takes 255 bytes: "{B" and 253 characters.
    EXPECT_EQ(EscPosCode128::encodedText(QString(253, u'a')).value_or(QByteArray()).size(), 255);
    EXPECT_FALSE(EscPosCode128::encodedText(QString(254, u'a')));
    EXPECT_FALSE(EscPosCode128::encodedText(QString(1000000, u'1')));
}

} // namespace
