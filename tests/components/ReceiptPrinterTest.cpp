#include "common/SmallFileSystem.h"
#include "common/TestFiles.h"
#include "components/ReceiptBarcode.h"
#include "components/ReceiptOutput.h"
#include "components/ReceiptPreview.h"
#include "components/ReceiptPrinter.h"
#include "components/ReceiptRenderer.h"
#include "components/ReceiptSheets.h"
#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"
#include "platform/ComponentRegistry.h"
#include "VoucherFolder.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kLogos = kVouchers + QStringLiteral("/logos");

class ReceiptPrinterTest : public ServiceFixture {
protected:
    ReceiptPrinterTest()
    {
        settings.logoPath = kLogos;
        settings.dataPath = folder.path();
    }

    QString writeVoucher(const QByteArray& markup, const QString& name = QStringLiteral("voucher.xml"))
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(TestFiles::write(path, markup));
        return path;
    }

    QList<QImage> sheetsOf(const QByteArray& body)
    {
        return ReceiptPrinter::render(writeVoucher("<document>" + body + "</document>"), settings);
    }

    // The one slip a body prints.
    QImage slipOf(const QByteArray& body)
    {
        const QList<QImage> sheets = sheetsOf(body);
        EXPECT_EQ(sheets.size(), 1);
        return sheets.value(0);
    }

    QTemporaryDir folder;
    ReceiptSettings settings;
};

bool isBlank(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* line = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x) {
            if (line[x] < 128)
                return false;
        }
    }
    return true;
}

int pdfPageCount(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(file.readAll().count("/Type /Page\n"));
}

TEST_F(ReceiptPrinterTest, SampleVoucherPrintsAsPngUnderTheDataFolderWithTheLogoInPlace)
{
    settings.type = QStringLiteral("PNG");
    ReceiptPrinter printer(settings);
    QString voucher = folder.filePath(QStringLiteral("V0042.xml"));
    ASSERT_TRUE(QFile::copy(kVouchers + QStringLiteral("/sample.xml"), voucher));
    printer.PrintDocument(voucher, nullptr);

    const QString png = folder.filePath(QStringLiteral("printed/V0042.png"));
    EXPECT_EQ(ReceiptPrinter::outputFile(voucher, settings), png);
    QImageReader reader(png);
    EXPECT_EQ(reader.format(), "png");
    const QImage receipt = reader.read();
    ASSERT_FALSE(receipt.isNull());
    EXPECT_EQ(receipt.width(), 576); // 72 mm at 8000 dots a metre
    EXPECT_EQ(receipt.dotsPerMeterX(), 8000);
    EXPECT_GT(receipt.height(), 1000);

    // The logo, 320 dots wide, centred after the 2 mm top feed, one image pixel a dot.
    QImage logo(kLogos + QStringLiteral("/quiba.bmp"));
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(receipt.copy((576 - logo.width()) / 2, 16, logo.width(), logo.height()),
              logo.convertToFormat(receipt.format()));
    EXPECT_TRUE(isBlank(receipt.copy(0, 16, (576 - logo.width()) / 2, logo.height())));
}

TEST_F(ReceiptPrinterTest, PrintingAgainReplacesTheFileAndLeavesNoTemporaryFile)
{
    settings.type = QStringLiteral("pdf");
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text>first</text></document>");
    printer.PrintDocument(voucher, nullptr);
    const QString pdf = folder.filePath(QStringLiteral("printed/voucher.pdf"));
    QFile first(pdf);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray before = first.readAll();
    EXPECT_TRUE(before.startsWith("%PDF-"));

    writeVoucher("<document><text>second</text><cut/><text>page two</text></document>");
    printer.PrintDocument(voucher, nullptr);
    EXPECT_EQ(QDir(folder.filePath(QStringLiteral("printed"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("voucher.pdf")});
    EXPECT_EQ(pdfPageCount(pdf), 2);
}

TEST_F(ReceiptPrinterTest, PdfPagesHaveThePapersWidthAndTheSlipsLength)
{
    settings.type = QStringLiteral("pdf");
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text>a</text><cut f='half'/><line/><cut/><cut/></document>");
    printer.PrintDocument(voucher, nullptr);
    QFile file(folder.filePath(QStringLiteral("printed/voucher.pdf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    // Two pages: the empty slip after the last cut prints nothing.
    EXPECT_EQ(text.count(QStringLiteral("/Type /Page\n")), 2);
    const QRegularExpression box(QStringLiteral(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])"));
    auto match = box.match(text);
    ASSERT_TRUE(match.hasMatch());
    EXPECT_NEAR(match.captured(1).toDouble(), 72 / 25.4 * 72, 0.5);
}

TEST_F(ReceiptPrinterTest, EachCutEndsASlip)
{
    const QList<QImage> sheets = sheetsOf("<text>one</text><cut/><text>two</text><cut f='half'/><text>three</text>");
    ASSERT_EQ(sheets.size(), 3);
    for (const QImage& sheet : sheets)
        EXPECT_FALSE(isBlank(sheet));
}

TEST_F(ReceiptPrinterTest, PngShowsTheSlipsOneUnderTheOtherWithADashedLineAtEachCut)
{
    settings.type = QStringLiteral("png");
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text>one</text><cut/><text>two</text></document>");
    printer.PrintDocument(voucher, nullptr);
    const QImage roll(folder.filePath(QStringLiteral("printed/voucher.png")));
    const QList<QImage> slips = ReceiptPrinter::render(voucher, settings);
    ASSERT_EQ(slips.size(), 2);
    const int gap = settings.dotsY(3);
    ASSERT_EQ(roll.height(), slips[0].height() + gap + slips[1].height());
    const QImage cut = roll.copy(0, slips[0].height(), roll.width(), gap);
    EXPECT_FALSE(isBlank(cut));
    // Dashes: dark and white stretches along the middle of the gap.
    const QImage line = cut.copy(0, gap / 2, roll.width(), 1).convertToFormat(QImage::Format_Grayscale8);
    int dark = 0;
    for (int x = 0; x < line.width(); ++x)
        dark += line.constScanLine(0)[x] < 128 ? 1 : 0;
    EXPECT_GT(dark, roll.width() / 4);
    EXPECT_LT(dark, roll.width() * 9 / 10);
}

TEST_F(ReceiptPrinterTest, ColumnsAndRowsPutSlipsSideBySideOnSheets)
{
    settings.columns = 2;
    settings.rows = 1;
    settings.columnGapMm = 2;
    const QList<QImage> sheets =
        sheetsOf("<text>MMMM</text><cut/><text>MMMM</text><cut/><text a='r'>three</text>");
    ASSERT_EQ(sheets.size(), 2);
    const int column = settings.columnWidthDots();
    EXPECT_EQ(column, (576 - 16) / 2);
    EXPECT_EQ(sheets[0].width(), 576);
    EXPECT_FALSE(isBlank(sheets[0].copy(0, 0, column, sheets[0].height())));
    EXPECT_TRUE(isBlank(sheets[0].copy(column, 0, 16, sheets[0].height())));
    EXPECT_FALSE(isBlank(sheets[0].copy(column + 16, 0, column, sheets[0].height())));
    // The third slip is right-aligned in the first column of the next sheet.
    EXPECT_TRUE(isBlank(sheets[1].copy(column + 16, 0, column, sheets[1].height())));

    settings.rowHeightMm = 10;
    settings.rows = 2;
    settings.topMarginMm = 5;
    const QList<QImage> grid = sheetsOf("<text>1</text><cut/><text>2</text><cut/><text>3</text>");
    ASSERT_EQ(grid.size(), 1);
    EXPECT_EQ(grid[0].height(), settings.dotsY(5) + 2 * settings.dotsY(10));
}

TEST_F(ReceiptPrinterTest, FilesThatAreNoImagesAreSkipped)
{
    QFile png(folder.filePath(QStringLiteral("broken.png")));
    {
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::black);
        ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("whole.png"))));
        QFile whole(folder.filePath(QStringLiteral("whole.png")));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        ASSERT_TRUE(png.open(QIODevice::WriteOnly));
        png.write(whole.readAll().left(60));
        png.close();
    }
    const QImage plain = slipOf("<text>before</text><text>after</text>");
    const QList<QByteArray> badImages{"<image f='notanimage'/>", "<image f='" + png.fileName().toUtf8() + "'/>",
                                      "<graphics><image f='notanimage.bmp'/></graphics>"};
    for (const QByteArray& image : badImages) {
        EXPECT_EQ(slipOf("<text>before</text>" + image + "<text>after</text>"), plain) << image.toStdString();
    }
    EXPECT_NE(slipOf("<text>before</text><image f='" + folder.filePath(QStringLiteral("whole.png")).toUtf8()
                     + "'/><text>after</text>"),
              plain);
}

TEST_F(ReceiptPrinterTest, HugeSizesAreClampedToTheLargestThePrinterDoes)
{
    struct Case {
        QByteArray huge;
        QByteArray largest;
    };
    const QList<Case> cases{
        {"<text w='32767' h='32767'>W</text>", "<text w='8' h='8'>W</text>"},
        {"<text w='-5' h='0'>W</text>", "<text w='1' h='1'>W</text>"},
        {"<line w='32767'/>", "<line w='16'/>"},
        {"<text w='32767'/><barcode h='32767'>123</barcode>", "<text w='8'/><barcode h='100'>123</barcode>"},
        {"<text i='32767'>x</text>", "<text i='41'>x</text>"},
    };
    for (const Case& c : cases) {
        const QImage huge = slipOf(c.huge);
        EXPECT_EQ(huge, slipOf(c.largest)) << c.huge.toStdString();
        EXPECT_LE(huge.height(), settings.dotsY(ReceiptRenderer::kLongestSlipMm));
    }
}

TEST_F(ReceiptPrinterTest, LongDocumentsAreCutIntoSlipsAndStopAtTheJobsLength)
{
    QByteArray body;
    for (int i = 0; i < 100; ++i)
        body += "<text w='1' h='2'>" + QByteArray(80, 'W') + "</text><image f='quiba'/>";
    const QList<QImage> sheets = sheetsOf(body);
    ASSERT_GT(sheets.size(), 1);
    int total = 0;
    for (const QImage& sheet : sheets) {
        EXPECT_LE(sheet.height(), settings.dotsY(ReceiptRenderer::kLongestSlipMm));
        total += sheet.height();
    }
    EXPECT_LE(total, settings.dotsY(ReceiptRenderer::kLongestJobMm));
    EXPECT_GT(total, settings.dotsY(ReceiptRenderer::kLongestJobMm) - settings.dotsY(300));
}

TEST_F(ReceiptPrinterTest, BarcodesOfEachKindAreDrawn)
{
    struct Case {
        const char* type;
        const char* data;
        bool matrix;
        const char* readable;
    };
    const Case cases[] = {
        {"code39", "ABC-123", false, "*ABC-123*"},
        {"Code128", "VCH0001234567", false, "VCH0001234567"},
        {"EAN-13", "590123412345", false, "5901234123457"},
        {"ean8", "1234567", false, "12345670"},
        {"upca", "01234567890", false, "012345678905"},
        {"qr", "https://quiba.example/redeem", true, ""},
        {"pdf417", "PIN 123456789012", true, ""},
        {"datamatrix", "123456", true, ""},
    };
    for (const Case& c : cases) {
        const ReceiptBarcode::Symbol symbol = ReceiptBarcode::render(c.type, 2, 80, c.data);
        ASSERT_FALSE(symbol.image.isNull()) << c.type;
        EXPECT_EQ(symbol.twoDimensional, c.matrix) << c.type;
        EXPECT_EQ(symbol.humanReadable, QString::fromLatin1(c.readable)) << c.type;
        EXPECT_EQ(symbol.image.width() % 2, 0) << c.type;
        if (!c.matrix) {
            EXPECT_EQ(symbol.image.height(), 80) << c.type;
        }
    }
    // A QR code is square, starts with its dark finder pattern and has modules of the size asked.
    const QImage qr = ReceiptBarcode::render(QStringLiteral("QR Code"), 3, 1, QStringLiteral("x")).image;
    EXPECT_EQ(qr.width(), qr.height());
    EXPECT_EQ(qr.width(), 21 * 3);
    EXPECT_EQ(qr.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(qr.pixelColor(3, 3), QColor(Qt::white));
}

TEST_F(ReceiptPrinterTest, BarcodesThatCannotBeMadePrintTheirDataAsText)
{
    EXPECT_TRUE(ReceiptBarcode::render(QStringLiteral("ean13"), 2, 80, QStringLiteral("ABC")).image.isNull());
    EXPECT_TRUE(ReceiptBarcode::render(QStringLiteral("morse"), 2, 80, QStringLiteral("123")).image.isNull());
    EXPECT_TRUE(ReceiptBarcode::render(QStringLiteral("qr"), 2, 80, QString()).image.isNull());
    EXPECT_EQ(slipOf("<barcode type='ean13'>ABC</barcode>"), slipOf("<text a='c'>ABC</text>"));
    EXPECT_EQ(slipOf("<barcode type='morse' a='r'>123</barcode>"), slipOf("<text a='r'>123</text>"));
}

// The first and last column with a dark dot.
std::pair<int, int> darkExtent(const QImage& image)
{
    int first = image.width();
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (!isBlank(image.copy(x, 0, 1, image.height()))) {
            first = std::min(first, x);
            last = x;
        }
    }
    return {first, last};
}

TEST_F(ReceiptPrinterTest, WideCodesAreNarrowedToTheColumn)
{
    const QString data = QString(30, u'7') + u'X';
    // Width 8 asks for 16-dot modules: several times the column.
    EXPECT_GT(ReceiptBarcode::render(QStringLiteral("code128"), 16, 80, data).image.width(), 3 * 576);
    const QImage slip = slipOf("<text w='8'/><barcode type='code128' a='l'>" + data.toUtf8() + "</barcode>");
    const QImage narrowed = ReceiptBarcode::render(QStringLiteral("code128"), 16 * 576 / 3736, 80, data).image;
    ASSERT_LE(narrowed.width(), 576);
    const auto [first, last] = darkExtent(slip.copy(0, 0, 576, settings.dotsY(2) + 100));
    // Two-dot modules, after the quiet zone of 10 modules.
    EXPECT_EQ(first, 20);
    EXPECT_EQ(last + 1, 20 + narrowed.width());
}

TEST_F(ReceiptPrinterTest, GraphicsRowAlignsImagesVertically)
{
    const QString logo = kLogos + QStringLiteral("/quiba.bmp");
    QImage small(40, 20, QImage::Format_RGB32);
    small.fill(Qt::black);
    const QString smallFile = folder.filePath(QStringLiteral("small.png"));
    ASSERT_TRUE(small.save(smallFile));
    const QByteArray images = "<image a='l' f='" + smallFile.toUtf8() + "'/><image a='r' f='quiba'/>";
    const struct {
        const char* valign;
        int top;
    } cases[] = {{"t", 0}, {"m", (112 - 20) / 2}, {"bottom", 112 - 20}, {"x", (112 - 20) / 2}};
    for (const auto& c : cases) {
        const QImage slip = slipOf(QByteArray("<graphics v='") + c.valign + "'>" + images + "</graphics>");
        const int feed = settings.dotsY(2);
        EXPECT_EQ(slip.pixelColor(0, feed + c.top), QColor(Qt::black)) << c.valign;
        EXPECT_TRUE(isBlank(slip.copy(0, feed, 40, c.top))) << c.valign;
        EXPECT_TRUE(isBlank(slip.copy(0, feed + c.top + 20, 40, 112 - 20 - c.top))) << c.valign;
        // The logo keeps the right edge.
        EXPECT_EQ(slip.copy(576 - 320, feed, 320, 112), QImage(logo).convertToFormat(slip.format())) << c.valign;
    }
}

TEST_F(ReceiptPrinterTest, AnUnknownQueueIsAPrinterErrorAndWritesNothing)
{
    settings.type = QString();
    settings.device = QStringLiteral("no-such-queue-here");
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text>x</text></document>");
    EXPECT_EQ(ReceiptPrinter::outputFile(voucher, settings), QString());
    try {
        printer.PrintDocument(voucher, nullptr);
        FAIL() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 57);
        EXPECT_EQ(error.description(), QStringLiteral("Printer no-such-queue-here not found"));
    }
    EXPECT_FALSE(QDir(folder.filePath(QStringLiteral("printed"))).exists());
}

TEST_F(ReceiptPrinterTest, AVoucherThatCannotBeReadPrintsNothing)
{
    settings.type = QStringLiteral("png");
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text w='99999'>x</text></document>");
    EXPECT_THROW(printer.PrintDocument(voucher, nullptr), AutomationError);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("printed/voucher.png"))));
}

// A voucher cut off inside a tag ends quietly in the reader: the slip up to the cut would
// leave without its PIN. Nothing is written, and the error is the reader's "invalid format".
TEST_F(ReceiptPrinterTest, AVoucherThatEndsBeforeItsMarkupPrintsNothing)
{
    for (const QString& type : {QStringLiteral("png"), QStringLiteral("pdf")}) {
        settings.type = type;
        ReceiptPrinter printer(settings);
        QString voucher = writeVoucher("<document><text>Serial 1</text><cut/><text>PIN 1234</text><text b='");
        try {
            printer.PrintDocument(voucher, nullptr);
            FAIL() << "no error";
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), 321);
            EXPECT_EQ(error.description(), QStringLiteral("Invalid file format"));
        }
        EXPECT_FALSE(QDir(folder.filePath(QStringLiteral("printed"))).exists()) << type.toStdString();
    }
}

// A linear code is never resampled: bars of uneven widths do not scan. One that does not fit
// at one dot a module prints its data as text, and the log says so.
TEST_F(ReceiptPrinterTest, ACodeTooWideAtOneDotAModulePrintsItsDataAsText)
{
    const QByteArray data(58, 'x');
    ASSERT_GT(ReceiptBarcode::render(QStringLiteral("code128"), 1, 80, QString::fromLatin1(data)).image.width(), 576);
    EXPECT_EQ(slipOf("<barcode type='code128' a='l'>" + data + "</barcode>"), slipOf("<text a='l'>" + data + "</text>"));
    ASSERT_FALSE(logger->lines.isEmpty());
    EXPECT_EQ(logger->lines.first(),
              (RecordingLogger::Line{QStringLiteral("Barcode code128 too wide for the paper, printed as text: ")
                                         + QString::fromLatin1(data),
                                     2}));
}

// Blanks, tabs and line breaks around the data are layout of the markup, not part of the code.
TEST_F(ReceiptPrinterTest, WhiteSpaceAroundBarcodeDataIsNotEncoded)
{
    const QImage plain = slipOf("<barcode type='code128'>VCH0001234567</barcode>");
    EXPECT_EQ(slipOf("<barcode type='code128'>\n    VCH0001234567\r\n\t</barcode>"), plain);
    EXPECT_EQ(slipOf("<barcode y='qr'> VCH </barcode>"), slipOf("<barcode y='qr'>VCH</barcode>"));
}

// The bars of a code, without the text under it.
QImage barsOf(const QImage& slip, const ReceiptSettings& settings, int heightMm)
{
    return slip.copy(0, settings.dotsY(2) + settings.dotsY(1.5), slip.width(), settings.dotsY(heightMm));
}

// A scanner needs the symbology's quiet zone on both sides, also at the paper's edge.
TEST_F(ReceiptPrinterTest, CodesKeepTheirQuietZoneAtThePapersEdge)
{
    const struct {
        const char* markup;
        int left;
        int right;
    } cases[] = {
        // Width 1: two dots a module; code128 10 modules each side, EAN-13 11 left and 7 right.
        {"<barcode type='code128' a='l'>VCH0001234567</barcode>", 20, -1},
        {"<barcode type='code128' a='r'>VCH0001234567</barcode>", -1, 576 - 20},
        {"<barcode type='ean13' a='l'>590123412345</barcode>", 22, -1},
        {"<barcode type='ean13' a='r'>590123412345</barcode>", -1, 576 - 14},
        // A QR code: 4 modules of 3 dots.
        {"<barcode type='qr' a='l' h='1'>x</barcode>", 12, -1},
    };
    for (const auto& c : cases) {
        const auto [first, last] = darkExtent(barsOf(slipOf(c.markup), settings, 1));
        if (c.left >= 0) {
            EXPECT_EQ(first, c.left) << c.markup;
        }
        if (c.right >= 0) {
            EXPECT_EQ(last + 1, c.right) << c.markup;
        }
    }
}

// The ink of a text: how many dots are dark.
int darkDots(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    int dark = 0;
    for (int y = 0; y < gray.height(); ++y) {
        for (int x = 0; x < gray.width(); ++x)
            dark += gray.constScanLine(y)[x] < 128 ? 1 : 0;
    }
    return dark;
}

// Glyphs that reach out of their box (an italic j to the left, an italic f to the right) are
// printed whole at the column's edges, as in the middle of the paper.
TEST_F(ReceiptPrinterTest, GlyphsThatOverhangTheirBoxAreNotClippedAtTheEdge)
{
    const int middle = darkDots(slipOf("<text a='c' e='i' w='4' h='4'>jf</text>"));
    ASSERT_GT(middle, 0);
    for (const char* markup : {"<text a='l' e='i' w='4' h='4'>jf</text>", "<text a='r' e='i' w='4' h='4'>jf</text>"}) {
        EXPECT_NEAR(darkDots(slipOf(markup)), middle, middle / 50) << markup;
    }
}

// The tests run on the offscreen platform, where nobody could click "Print": the preview is
// skipped with a log line and the receipt printed, and no dialog waits.
TEST_F(ReceiptPrinterTest, PreviewWithoutADisplayIsSkippedWithALogLineAndPrints)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    settings.type = QStringLiteral("png");
    settings.preview = true;
    ReceiptPrinter printer(settings);
    QString voucher = writeVoucher("<document><text>x</text></document>");
    bool shown = false;
    // Should a dialog wait after all, it is cancelled so that the test ends (and fails).
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shown = true;
            QMetaObject::invokeMethod(dialog, "reject");
        }
    });
    printer.PrintDocument(voucher, nullptr);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("printed/voucher.png"))));
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{
                                 {QStringLiteral("Print preview skipped: no display (offscreen)"), 2}}));
}

TEST(ReceiptPreviewTest, OnlyPlatformsThatDrawIntoMemoryHaveNoOneToShowTheReceiptTo)
{
    const struct {
        const char* platform;
        bool seen;
    } cases[] = {{"offscreen", false}, {"minimal", false}, {"xcb", true}, {"wayland", true}, {"eglfs", true},
                 {"minimalegl", true}};
    for (const auto& c : cases)
        EXPECT_EQ(ReceiptPreview::canBeSeenOn(QString::fromLatin1(c.platform)), c.seen) << c.platform;
}

TEST(ReceiptPreviewTest, PrintAcceptsAndCancelRejects)
{
    for (const auto& [button, result] : {std::pair{QDialogButtonBox::AcceptRole, QDialog::Accepted},
                                         std::pair{QDialogButtonBox::RejectRole, QDialog::Rejected}}) {
        ReceiptPreview preview(QImage(40, 30, QImage::Format_Mono));
        EXPECT_EQ(preview.windowTitle(), QStringLiteral("Print Preview"));
        auto* box = preview.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        QPushButton* pushed = nullptr;
        for (QAbstractButton* candidate : box->buttons()) {
            if (box->buttonRole(candidate) == button)
                pushed = qobject_cast<QPushButton*>(candidate);
        }
        ASSERT_NE(pushed, nullptr);
        EXPECT_EQ(pushed->text(), button == QDialogButtonBox::AcceptRole ? QStringLiteral("Print")
                                                                          : QStringLiteral("Cancel"));
        QTimer::singleShot(0, pushed, &QPushButton::click);
        EXPECT_EQ(preview.exec(), result);
    }
}

// A child process writes the receipt again and again until it is killed. Whenever that
// happens, the folder holds at most the print and one temporary file of a fixed name, and the
// next print leaves only the print.
TEST_F(ReceiptPrinterTest, KilledWriterLeavesNoTemporaryFilesThatPileUp)
{
    QString body;
    for (int i = 0; i < 40; ++i)
        body += QStringLiteral("<text>line %1</text><cut/>").arg(i);
    QString voucher = writeVoucher("<document>" + body.toUtf8() + "</document>");
    const QList<QImage> sheets = ReceiptPrinter::render(voucher, settings);
    const QDir printed(folder.filePath(QStringLiteral("printed")));
    ASSERT_TRUE(printed.mkpath(QStringLiteral(".")));
    const QString pdf = printed.filePath(QStringLiteral("voucher.pdf"));
    const QStringList allowed{QStringLiteral("voucher.pdf"), QStringLiteral(".voucher.pdf.partial")};
    // The kills fall before, inside and after one whole write, however fast this machine writes.
    QElapsedTimer oneWrite;
    oneWrite.start();
    ReceiptOutput::writePdf(sheets, pdf, settings);
    const qint64 writeMicroseconds = std::max<qint64>(oneWrite.nsecsElapsed() / 1000, 1000);
    for (int round = 0; round < 8; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                ReceiptOutput::writePdf(sheets, pdf, settings);
        }
        usleep(useconds_t(writeMicroseconds * (round + 1) / 5));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        for (const QString& name : printed.entryList(QDir::Files | QDir::Hidden))
            EXPECT_TRUE(allowed.contains(name)) << "round " << round << ": " << name.toStdString();
    }
    // Whatever the kills cut short, the print itself is always whole.
    EXPECT_EQ(pdfPageCount(pdf), 40);

    // What a writer killed half-way leaves is overwritten by the next print of the name.
    ASSERT_TRUE(TestFiles::write(printed.filePath(QStringLiteral(".voucher.pdf.partial")), "half a PDF"));
    settings.type = QStringLiteral("pdf");
    ReceiptPrinter(settings).PrintDocument(voucher, nullptr);
    EXPECT_EQ(printed.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("voucher.pdf")});
    EXPECT_EQ(pdfPageCount(pdf), 40);
}

// A PNG or PDF receipt the disk refuses raises the standard number with the system's reason, and
// leaves nothing behind.
TEST_F(ReceiptPrinterTest, AReceiptTheDiskRefusesRaisesTheStandardNumberWithTheSystemsReason)
{
    const QList<QImage> sheets = ReceiptPrinter::render(writeVoucher("<document><text>PIN 1</text><cut/></document>"), settings);
    const struct {
        const char* name;
        bool readOnly;
        qint32 number;
        const char* reason;
    } faults[] = {
        {"full", false, 61, "Disk full: No space left on device"},
        {"read-only", true, 75, "Path/File access error: Read-only file system"},
    };
    for (const auto& fault : faults) {
        SmallFileSystem disk;
        ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
        ASSERT_TRUE(fault.readOnly ? disk.makeReadOnly() : disk.fill());
        const QStringList before = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden);
        for (const char* type : {"png", "pdf"}) {
            SCOPED_TRACE(std::string(fault.name) + " " + type);
            const QString target = disk.path() + QStringLiteral("/voucher.") + QLatin1StringView(type);
            try {
                if (QByteArrayView(type) == "png")
                    ReceiptOutput::writePng(sheets, target, settings);
                else
                    ReceiptOutput::writePdf(sheets, target, settings);
                ADD_FAILURE() << "no error";
            } catch (const AutomationError& error) {
                EXPECT_EQ(error.number(), fault.number);
                EXPECT_EQ(error.description(),
                          QStringLiteral("Cannot write ") + target + QStringLiteral(": ") + QLatin1StringView(fault.reason));
            }
            EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), before);
        }
    }
}

TEST_F(ReceiptPrinterTest, SettingsComeFromThePrinterKeysAndAreClamped)
{
    const QString iniFile = folder.filePath(QStringLiteral("pcQUIBA.ini"));
    ASSERT_TRUE(TestFiles::write(iniFile, "[PRINTER]\nfont_b=DejaVu Sans Mono\nfont_b_size=12\nfont_b_cpl=32\nprinter_width=80\n"
               "pels_per_metre_x=99999\npels_per_metre_y=12000\nprint_columns=0\nprint_rows=50\n"
               "print_left_margin=500\nprint_preview=True\nprinter_type=PDF\nprinter_device=kiosk\n"
               "printer_code_page=cp858\nprinter_barcodes=qr,EAN-13\nprinter_timeout=10001\n"
               "printer_font_a_dots=17\nprinter_font_b_dots=7\n[FILES]\nlogo_path=/srv/logos\nlogo_ext=png\ndata_path=/srv/data\n"));
    clsINIFile ini;
    ini.setFileName(iniFile);
    const ReceiptSettings read = ReceiptSettings::fromIni(ini);
    EXPECT_EQ(read.font(QStringLiteral("B")).family, QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(read.font(QStringLiteral("B")).points, 12);
    EXPECT_EQ(read.font(QStringLiteral("B")).charactersPerLine, 32);
    EXPECT_EQ(read.font(QStringLiteral("C")).family, QStringLiteral("Courier New"));
    EXPECT_EQ(read.font(QStringLiteral("x")).points, 10);
    EXPECT_EQ(read.pelsPerMetreX, 40000);
    EXPECT_EQ(read.pelsPerMetreY, 12000);
    EXPECT_EQ(read.paperWidthMm, 80);
    EXPECT_EQ(read.columns, 1);
    EXPECT_EQ(read.rows, 20);
    EXPECT_EQ(read.leftMarginMm, 40);
    EXPECT_TRUE(read.preview);
    EXPECT_EQ(read.device, QStringLiteral("kiosk"));
    EXPECT_EQ(read.codePage, QStringLiteral("cp858"));
    EXPECT_EQ(read.nativeBarcodes, (QStringList{QStringLiteral("qr"), QStringLiteral("EAN-13")}));
    EXPECT_EQ(read.timeoutMs, 10000);
    EXPECT_EQ(read.fontADots, 16);
    EXPECT_EQ(read.fontBDots, 8);
    EXPECT_EQ(read.logoPath, QStringLiteral("/srv/logos"));
    EXPECT_EQ(read.logoExt, QStringLiteral("png"));
    EXPECT_EQ(ReceiptPrinter::outputFile(QStringLiteral("/x/V1.xml"), read), QStringLiteral("/srv/data/printed/V1.pdf"));

    ReceiptSettings defaults;
    defaults.clamp();
    EXPECT_EQ(defaults.paperWidthDots(), 576);
    EXPECT_EQ(defaults.dpiX(), 203);
    EXPECT_EQ(defaults.columnWidthDots(), 576);
    EXPECT_EQ(defaults.codePage, QStringLiteral("1252"));
    EXPECT_TRUE(defaults.nativeBarcodes.isEmpty());
    EXPECT_EQ(defaults.timeoutMs, 2000);
    EXPECT_EQ(defaults.fontADots, 12);
    EXPECT_EQ(defaults.fontBDots, 9);
    defaults.timeoutMs = 9;
    defaults.clamp();
    EXPECT_EQ(defaults.timeoutMs, 10);
}

TEST(ReceiptPrinterComponentTest, IsBuiltInUnderItsClassName)
{
    const auto printer = ComponentRegistry::createAs<Printer>(QStringLiteral("quibaprint.receiptprinter"));
    ASSERT_TRUE(printer);
    EXPECT_EQ(printer->className(), QStringLiteral("ReceiptPrinter"));
}

} // namespace
