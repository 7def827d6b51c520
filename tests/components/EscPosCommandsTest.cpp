#include "components/EscPosBarcode.h"
#include "components/EscPosCodePage.h"
#include "components/EscPosCommands.h"
#include "components/EscPosEncoder.h"
#include "components/EscPosStatus.h"
#include "fakes/EscPosJobDecoder.h"
#include "fakes/EscPosPrinterSimulator.h"
#include "platform/Ansi.h"

#include <gtest/gtest.h>

namespace {

using Command = EscPosCommands::Command;
constexpr auto bytes = &EscPosJobDecoder::bytes;


// Byte sequences as the ESC/POS command reference gives them.
TEST(EscPosCommandsTest, CommandsHaveTheBytesOfTheCommandReference)
{
    const struct {
        const char* name;
        QByteArray actual;
        QByteArray reference;
    } cases[] = {
        {"ESC @", EscPosCommands::command(Command::Initialise), bytes({0x1B, 0x40})},
        {"ESC a 1 (centre)", EscPosCommands::command(Command::Justification, 1), bytes({0x1B, 0x61, 0x01})},
        {"ESC E 1", EscPosCommands::command(Command::Emphasis, 1), bytes({0x1B, 0x45, 0x01})},
        {"ESC - 1", EscPosCommands::command(Command::Underline, 1), bytes({0x1B, 0x2D, 0x01})},
        {"GS B 1", EscPosCommands::command(Command::Reverse, 1), bytes({0x1D, 0x42, 0x01})},
        {"ESC M 1 (font B)", EscPosCommands::command(Command::Font, 1), bytes({0x1B, 0x4D, 0x01})},
        {"GS ! 0x11 (double width and height)", EscPosCommands::command(Command::CharacterSize, 0x11),
         bytes({0x1D, 0x21, 0x11})},
        {"ESC t 16 (WPC1252)", EscPosCommands::command(Command::CodeTable, 16), bytes({0x1B, 0x74, 0x10})},
        {"ESC J 16", EscPosCommands::command(Command::FeedDots, 16), bytes({0x1B, 0x4A, 0x10})},
        {"GS V 65 0 (feed and full cut)", EscPosCommands::command(Command::Cut, bytes({65, 0})),
         bytes({0x1D, 0x56, 0x41, 0x00})},
        {"GS h 80", EscPosCommands::command(Command::BarcodeHeight, 80), bytes({0x1D, 0x68, 0x50})},
        {"GS w 2", EscPosCommands::command(Command::BarcodeWidth, 2), bytes({0x1D, 0x77, 0x02})},
        {"GS H 2 (HRI below)", EscPosCommands::command(Command::BarcodeText, 2), bytes({0x1D, 0x48, 0x02})},
        {"GS k 67 12 (EAN-13)", EscPosCommands::command(Command::Barcode, QByteArray("\x43\x0C" "590123412345")),
         bytes({0x1D, 0x6B, 0x43, 0x0C, '5', '9', '0', '1', '2', '3', '4', '1', '2', '3', '4', '5'})},
        {"GS ( k QR store 'x'", EscPosCommands::symbol2D(49, 80, QByteArray("0x")),
         bytes({0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x50, 0x30, 0x78})},
        {"GS ( k QR print", EscPosCommands::symbol2D(49, 81, QByteArray("0")),
         bytes({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30})},
        {"GS ( k PDF417 module width 3", EscPosCommands::symbol2D(48, 67, bytes({3})),
         bytes({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x30, 0x43, 0x03})},
        {"FS . (cancel Kanji)", EscPosCommands::command(Command::CancelKanji), bytes({0x1C, 0x2E})},
        {"ESC R 0 (U.S.A.)", EscPosCommands::command(Command::Characters, 0), bytes({0x1B, 0x52, 0x00})},
        {"ESC 3 33", EscPosCommands::command(Command::LineSpacing, 33), bytes({0x1B, 0x33, 0x21})},
        {"GS k 73 (CODE128) {B a {C 12", EscPosCommands::command(Command::Barcode, QByteArray("\x49\x06{Ba{C\x0C")),
         bytes({0x1D, 0x6B, 0x49, 0x06, 0x7B, 0x42, 0x61, 0x7B, 0x43, 0x0C})},
        {"DLE EOT 1, 2, 4", EscPosStatus::request(), bytes({0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x04})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual.toHex(' '), c.reference.toHex(' ')) << c.name;
}

// GS v 0 m xL xH yL yH: bytes a row (little-endian), rows, then the rows, leftmost dot in the
// high bit, 1 printed.
TEST(EscPosCommandsTest, RasterImagesAreRowsOfBitsWithTheirSizeAndTallImagesGoInBands)
{
    QImage dots(10, 2, QImage::Format_Mono);
    dots.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    dots.fill(0);
    dots.setPixel(0, 0, 1);
    dots.setPixel(9, 1, 1);
    EXPECT_EQ(EscPosCommands::raster(dots).toHex(' '),
              bytes({0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x02, 0x00, 0x80, 0x00, 0x00, 0x40}).toHex(' '));

    QImage tall(8, EscPosCommands::kRasterBandRows + 1, QImage::Format_Mono);
    tall.fill(1);
    const QByteArray job = EscPosCommands::raster(tall);
    EXPECT_EQ(job.size(), 2 * 8 + EscPosCommands::kRasterBandRows + 1);
    EXPECT_EQ(job.mid(8 + EscPosCommands::kRasterBandRows, 8).toHex(' '),
              bytes({0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00}).toHex(' '));
}

// The simulator reads streams written from the reference, not from the encoder.
TEST(EscPosJobDecoderTest, ReadsAReferenceJob)
{
    QByteArray job = bytes({0x1B, 0x40, 0x1B, 0x74, 0x10, 0x1B, 0x61, 0x01, 0x1B, 0x45, 0x01, 0x1D, 0x21, 0x11});
    job += "PIN \x80";
    job += bytes({0x0A, 0x1D, 0x68, 0x50, 0x1D, 0x77, 0x02, 0x1D, 0x48, 0x02});
    // CODE128: "abc" in code set B, then 12 and 34 in code set C.
    job += bytes({0x1D, 0x6B, 0x49, 0x09, '{', 'B', 'a', 'b', 'c', '{', 'C', 0x0C, 0x22});
    job += bytes({0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x50, 0x30, 0x78, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30});
    job += bytes({0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x81, 0x1D, 0x56, 0x42, 0x00});

    EscPosJobDecoder decoder;
    // In pieces, as a network delivers it.
    for (qsizetype i = 0; i < job.size(); i += 5)
        decoder.feed(job.mid(i, 5));
    using Kind = EscPosJobDecoder::Item::Kind;
    const QList<EscPosJobDecoder::Item>& items = decoder.items();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0].kind, Kind::Text);
    EXPECT_EQ(items[0].text, QString::fromUtf8("PIN €"));
    EXPECT_EQ(items[0].alignment, 1);
    EXPECT_TRUE(items[0].bold);
    EXPECT_EQ(items[0].width, 2);
    EXPECT_EQ(items[0].height, 2);
    EXPECT_EQ(items[1].kind, Kind::Barcode);
    EXPECT_EQ(items[1].type, QStringLiteral("code128"));
    EXPECT_EQ(items[1].text, QStringLiteral("abc1234"));
    EXPECT_EQ(items[1].module, 2);
    EXPECT_EQ(items[1].barHeight, 80);
    EXPECT_EQ(items[2].kind, Kind::Symbol2D);
    EXPECT_EQ(items[2].text, QStringLiteral("x"));
    EXPECT_EQ(items[3].kind, Kind::Image);
    EXPECT_EQ(items[3].image.size(), QSize(8, 1));
    EXPECT_EQ(items[3].image.pixelIndex(0, 0), 1);
    EXPECT_EQ(items[3].image.pixelIndex(1, 0), 0);
    EXPECT_EQ(items[3].image.pixelIndex(7, 0), 1);
    EXPECT_EQ(items[4].kind, Kind::Cut);
    EXPECT_TRUE(items[4].halfCut);
    EXPECT_EQ(decoder.initialisations(), 1);
}

// DLE EOT answers as the reference defines their bits: fixed bits 1 and 4 set and 0 and 7
// clear; printer status bit 3 offline; offline cause bit 2 cover open, bit 5 stopped by paper
// end; roll paper sensor bits 2-3 near end, 5-6 paper end.
TEST(EscPosStatusTest, AnswersGiveTheStateAndItsFixedText)
{
    using State = EscPosStatus::State;
    const struct {
        QByteArray answers;
        State state;
        bool nearEnd;
        const char* text;
    } cases[] = {
        {bytes({0x12, 0x12, 0x12}), State::Ready, false, "Printer ready"},
        {bytes({0x16, 0x12, 0x12}), State::Ready, false, "Printer ready"},
        {bytes({0x12, 0x12, 0x1E}), State::Ready, true, "Printer ready"},
        {bytes({0x1A, 0x32, 0x72}), State::PaperEnd, false, "Printer paper end"},
        {bytes({0x12, 0x12, 0x72}), State::PaperEnd, false, "Printer paper end"},
        {bytes({0x1A, 0x16, 0x12}), State::CoverOpen, false, "Printer cover open"},
        {bytes({0x1A, 0x12, 0x12}), State::Offline, false, "Printer offline"},
        {bytes({0x12, 0x12}), State::NoAnswer, false, "Printer does not answer"},
        {QByteArray(), State::NoAnswer, false, "Printer does not answer"},
    };
    for (const auto& c : cases) {
        const EscPosStatus status = EscPosStatus::fromAnswers(c.answers);
        EXPECT_EQ(status.state(), c.state) << c.answers.toHex(' ').toStdString();
        EXPECT_EQ(status.paperNearEnd(), c.nearEnd) << c.answers.toHex(' ').toStdString();
        EXPECT_EQ(EscPosStatus::text(status.state()), QString::fromLatin1(c.text));
    }
    EXPECT_TRUE(EscPosStatus::isAnswer(0x12));
    EXPECT_TRUE(EscPosStatus::isAnswer(0x7E));
    EXPECT_FALSE(EscPosStatus::isAnswer(0x00));
    EXPECT_FALSE(EscPosStatus::isAnswer(0x92));
    // The simulator answers each state with the reference's bits.
    for (const auto state : {EscPosPrinterSimulator::State::PaperEnd, EscPosPrinterSimulator::State::CoverOpen,
                             EscPosPrinterSimulator::State::Offline}) {
        QByteArray answers;
        for (int n : {1, 2, 4})
            answers += EscPosPrinterSimulator::answers(state, n);
        EXPECT_NE(EscPosStatus::fromAnswers(answers).state(), State::Ready);
    }
}

TEST(EscPosCodePageTest, TextIsEncodedInThePagesBytesWithQuestionMarksForTheRest)
{
    const struct {
        const char* page;
        int table;
        const char* text;
        QByteArray encoded;
    } cases[] = {
        {"1252", 16, "€ 20,50 é", QByteArray("\x80 20,50 \xE9")},
        {"", 16, "Ω", QByteArray("?")},
        {"cp850", 2, "é€Ω", QByteArray("\x82?" "?")},
        {"PC858", 19, "€", QByteArray("\xD5")},
        {"437", 0, "é", QByteArray("\x82")},
        {"866", 17, "Жx", QByteArray("\x86x")},
        // Control characters would be commands to the printer.
        {"1252", 16, "a\x1B" "b\x1D" "c\x10\x7F", QByteArray("a?b?c??")},
        {"850", 2, "a\x1B" "b", QByteArray("a?b")},
        // C1 controls, the five Windows-1252 leaves undefined among them, are control characters too.
        {"1252", 16, "a\u0081b\u008D\u008F\u0090\u009D\u0080\u009F", QByteArray("a?b??????")},
        {"850", 2, "\u0081\u009B", QByteArray("??")},
        // A character beyond the Basic Multilingual Plane is one character.
        {"1252", 16, "a\U0001F600b\U0001F4B6", QByteArray("a?b?")},
        {"866", 17, "\U0001F600", QByteArray("?")},
    };
    for (const auto& c : cases) {
        const EscPosCodePage page = EscPosCodePage::named(QString::fromLatin1(c.page));
        EXPECT_EQ(page.table(), c.table) << c.page;
        EXPECT_EQ(page.encode(QString::fromUtf8(c.text)).toHex(' '), c.encoded.toHex(' ')) << c.page << " " << c.text;
    }
    // The INI files' Windows-1252 keeps its mapping of those five characters.
    for (const char16_t undefined : {u'\u0081', u'\u008D', u'\u008F', u'\u0090', u'\u009D'})
        EXPECT_EQ(Ansi::code(QChar(undefined)), quint8(undefined));
}

TEST(EscPosEncoderTest, TextWrapsAtWordsAndKeepsBlanksInsideALine)
{
    const struct {
        const char* text;
        int perLine;
        QStringList lines;
    } cases[] = {
        {"", 10, {""}},
        {"Date:     10/12", 20, {"Date:     10/12"}},
        {"one two three", 7, {"one two", "three"}},
        {"one two three", 8, {"one two", "three"}},
        {"abcdefghijkl", 5, {"abcde", "fghij", "kl"}},
        {"ab   cd", 3, {"ab", "cd"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscPosEncoder::wrapped(QString::fromLatin1(c.text), c.perLine), c.lines) << c.text;
}

} // namespace
