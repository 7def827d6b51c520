#include "api/VoucherMarkup.h"
#include "common/TestFiles.h"
#include "components/EscPosEncoder.h"
#include "components/ReceiptPrinter.h"
#include "fakes/EscPosJobDecoder.h"
#include "fakes/EscPosPrinterSimulator.h"
#include "fakes/RecordingPrintEvents.h"
#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"
#include "VoucherFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Kind = EscPosJobDecoder::Item::Kind;
using State = EscPosPrinterSimulator::State;

const QString kSample = kVouchers + QStringLiteral("/sample.xml");
// A printer that answers never comes near this, however loaded the machine is.
constexpr int kTimeoutMs = 30000;
// Short, so that the waits on a printer that does not answer end soon.
constexpr int kSilentPrinterTimeoutMs = 100;

QStringList printEventsOf(const QString& fileName)
{
    RecordingPrintEvents events;
    VoucherPrintState state;
    VoucherMarkup markup(events, state, {kVouchers + QStringLiteral("/logos"), QStringLiteral("bmp")});
    markup.RaisePrintEvents(fileName);
    return events.events;
}

// The arguments of a recorded event, "PrintText(A|bold|2|2|c|0|QUIBA MOBILE)".
QStringList argumentsOf(const QString& event)
{
    const qsizetype open = event.indexOf(u'(');
    return event.mid(open + 1, event.size() - open - 2).split(u'|');
}

bool allBlack(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelIndex(x, y) != 1)
                return false;
        }
    }
    return true;
}

// Walks the print events of a voucher and the items the printer read from its job side by side:
// every event must have printed what it says, in order, and nothing else may have printed.
class JobComparison {
public:
    JobComparison(const QList<EscPosJobDecoder::Item>& items, bool nativeCodes)
        : m_items(items), m_native(nativeCodes)
    {
    }

    void compare(const QStringList& events)
    {
        for (const QString& event : events) {
            SCOPED_TRACE(event.toStdString());
            const QStringList a = argumentsOf(event);
            if (event.startsWith(u"PrintText(")) {
                text(a);
            } else if (event.startsWith(u"PrintLine(")) {
                EXPECT_TRUE(allBlack(next(Kind::Image).image));
            } else if (event.startsWith(u"PrintBarcode(")) {
                barcode(a);
            } else if (event.startsWith(u"PrintGraphicsEnd(")) {
                ++images;
                next(Kind::Image);
            } else if (event.startsWith(u"PrintCut(")) {
                EXPECT_EQ(next(Kind::Cut).halfCut, a.at(0) == u"half");
            }
        }
        EXPECT_EQ(m_index, m_items.size()) << "printed beyond the events";
    }

private:
    EscPosJobDecoder::Item next(Kind kind)
    {
        if (m_index >= m_items.size()) {
            ADD_FAILURE() << "nothing printed";
            return {};
        }
        const EscPosJobDecoder::Item item = m_items.at(m_index++);
        EXPECT_EQ(int(item.kind), int(kind)) << item.text.toStdString();
        return item;
    }

    void text(const QStringList& a)
    {
        const EscPosJobDecoder::Item first = next(Kind::Text);
        EXPECT_EQ(first.font, a.at(0) == u"B" ? 1 : 0);
        EXPECT_EQ(first.bold, a.at(1).startsWith(u'b'));
        EXPECT_EQ(first.width, a.at(2).toInt());
        EXPECT_EQ(first.height, a.at(3).toInt());
        EXPECT_EQ(first.alignment, a.at(4) == u"c" ? 1 : a.at(4) == u"r" ? 2 : 0);
        QStringList lines{first.text};
        while (lines.join(u' ').size() < a.at(6).size() && m_index < m_items.size()
               && m_items.at(m_index).kind == Kind::Text)
            lines.append(m_items.at(m_index++).text);
        EXPECT_EQ(lines.join(u' '), a.at(6));
    }

    void barcode(const QStringList& a)
    {
        const QString& type = a.at(0);
        if (m_native) {
            const EscPosJobDecoder::Item code = next(type == u"qr" ? Kind::Symbol2D : Kind::Barcode);
            EXPECT_EQ(code.type, type);
            EXPECT_EQ(code.text, a.at(4));
            EXPECT_EQ(code.alignment, a.at(3) == u"c" ? 1 : a.at(3) == u"r" ? 2 : 0);
            return;
        }
        next(Kind::Image);
        // A linear code's digits under it, in font B.
        if (type != u"qr") {
            EXPECT_EQ(next(Kind::Text).font, 1);
        }
    }

public:
    int images = 0;

private:
    const QList<EscPosJobDecoder::Item>& m_items;
    bool m_native;
    qsizetype m_index = 0;
};

class EscPosPrinterTest : public ServiceFixture {
protected:
    EscPosPrinterTest()
    {
        settings = escPosSettings(folder.path());
        settings.timeoutMs = kTimeoutMs;
    }

    QString writeVoucher(const QByteArray& markup)
    {
        const QString path = folder.filePath(QStringLiteral("voucher.xml"));
        EXPECT_TRUE(TestFiles::write(path, markup));
        return path;
    }

    // The error PrintDocument raises; none gives number 0.
    AutomationError printError(const QString& voucher)
    {
        try {
            QString fileName = voucher;
            ReceiptPrinter(settings).PrintDocument(fileName, nullptr);
        } catch (const AutomationError& error) {
            return error;
        }
        return AutomationError(0, {}, {});
    }

    // Prints the sample on the printer: it reads the job and the two status requests (9 bytes
    // each), and its lines are those of the job.
    void printSampleOn(const EscPosPrinterSimulator& printer)
    {
        settings.device = printer.device();
        QString voucher = kSample;
        ReceiptPrinter(settings).PrintDocument(voucher, nullptr);
        const QByteArray job = ReceiptPrinter::escPosJob(kSample, settings);
        const EscPosJobDecoder received = printer.decoded();
        EXPECT_EQ(received.bytesRead(), job.size() + 2 * 9);
        EXPECT_EQ(received.lines(), EscPosJobDecoder::of(job).lines());
    }


    QTemporaryDir folder;
    ReceiptSettings settings;
};

TEST_F(EscPosPrinterTest, TheSampleVouchersJobPrintsItsPrintEvents)
{
    for (const bool native : {false, true}) {
        SCOPED_TRACE(native ? "codes drawn by the printer" : "codes as images");
        settings.nativeBarcodes = native ? QStringList{QStringLiteral("all")} : QStringList{};
        const EscPosJobDecoder decoder = EscPosJobDecoder::of(ReceiptPrinter::escPosJob(kSample, settings));
        EXPECT_EQ(decoder.initialisations(), 1);
        EXPECT_EQ(decoder.codeTable(), 16);
        JobComparison comparison(decoder.items(), native);
        comparison.compare(printEventsOf(kSample));
        EXPECT_EQ(comparison.images, 1);
        // 17 texts, each on one line, and the digits under two codes drawn as images.
        EXPECT_EQ(decoder.lines().size(), native ? 17 : 19) << decoder.lines().join(u'\n').toStdString();
    }
}

TEST_F(EscPosPrinterTest, OnlyTheCodesTheKeyNamesAreDrawnByThePrinter)
{
    settings.nativeBarcodes = {QStringLiteral("EAN-13"), QStringLiteral(" qr")};
    const EscPosJobDecoder decoder = EscPosJobDecoder::of(ReceiptPrinter::escPosJob(kSample, settings));
    QStringList drawnByPrinter;
    for (const auto& item : decoder.items()) {
        if (item.kind == Kind::Barcode || item.kind == Kind::Symbol2D)
            drawnByPrinter.append(item.type + u':' + item.text);
    }
    EXPECT_EQ(drawnByPrinter, (QStringList{QStringLiteral("qr:https://quiba.example/redeem?pin=123456789012"),
                                           QStringLiteral("ean13:590123412345")}));
}

// A code the printer draws itself must fit the paper at a module it can print; otherwise it
// goes as an image, or as text when even one dot a module is too wide.
TEST_F(EscPosPrinterTest, ACodeThePrinterCannotFitGoesAsAnImageOrAsText)
{
    settings.nativeBarcodes = {QStringLiteral("all")};
    const struct {
        QByteArray data;
        Kind kind;
    } cases[] = {
        {QByteArray(10, 'x'), Kind::Barcode},
        // 30 characters in code set B: 365 modules, too wide at 2 dots, fits at 1.
        {QByteArray(30, 'x'), Kind::Image},
        {QByteArray(58, 'x'), Kind::Text},
    };
    for (const auto& c : cases) {
        const EscPosJobDecoder decoder =
            EscPosJobDecoder::of(ReceiptPrinter::escPosJob(writeVoucher("<document><barcode y='code128'>" + c.data + "</barcode></document>"), settings));
        ASSERT_FALSE(decoder.items().isEmpty()) << c.data.size();
        EXPECT_EQ(int(decoder.items().first().kind), int(c.kind)) << c.data.size();
    }
}

// CODE128 with control characters and Latin-1 is drawn by the printer too. Under a character
// above 127 the printer would print the one FNC4 extends, so the job prints the text itself;
// text beyond Latin-1 has no CODE128 and is printed as text.
TEST_F(EscPosPrinterTest, Code128OfControlCharactersAndLatin1IsDrawnByThePrinter)
{
    settings.nativeBarcodes = {QStringLiteral("code128")};
    const struct {
        QByteArray markup;
        QString data;
        QString letters;
        bool printerText;
    } cases[] = {
        {"VCH0042", QStringLiteral("VCH0042"), QStringLiteral("B"), true},
        {"A\tB", QStringLiteral("A\tB"), QStringLiteral("B"), true},
        {"Caf\xC3\xA9\t42", QStringLiteral("Caf\u00E9\t42"), QStringLiteral("BT"), false},
        {"1 \xE2\x82\xAC", QStringLiteral("1 \u20AC"), QStringLiteral("T"), false},
    };
    for (const auto& c : cases) {
        const EscPosJobDecoder decoder = EscPosJobDecoder::of(
            ReceiptPrinter::escPosJob(writeVoucher("<document><barcode y='code128'>" + c.markup + "</barcode></document>"), settings));
        // The cut that ends the job left out.
        QString letters;
        QList<EscPosJobDecoder::Item> printed;
        for (const auto& item : decoder.items()) {
            if (item.kind != Kind::Cut) {
                letters += item.kind == Kind::Barcode ? u'B' : item.kind == Kind::Text ? u'T' : u'?';
                printed.append(item);
            }
        }
        ASSERT_EQ(letters, c.letters) << c.markup.toStdString();
        if (printed.first().kind == Kind::Barcode) {
            EXPECT_EQ(printed.first().text, c.data);
            EXPECT_EQ(printed.first().textBelow, c.printerText) << c.markup.toStdString();
        }
        if (c.letters.endsWith(u'T')) {
            EXPECT_EQ(printed.last().text, QString(c.data).replace(u'\t', u' ')) << c.markup.toStdString();
        }
    }
}

// GS k takes at most 255 bytes of data: on the widest paper a CODE128 whose data is one byte
// longer ("{" is written "{{") is not drawn by the printer, and libzint draws none that long
// either: it prints as text.
TEST_F(EscPosPrinterTest, Code128DataLongerThanTheCommandTakesIsNotDrawnByThePrinter)
{
    settings.nativeBarcodes = {QStringLiteral("code128")};
    settings.paperWidthMm = 420;
    for (const auto& [data, kind] : {std::pair{QByteArray(126, '{') + "a", Kind::Barcode},
                                     std::pair{QByteArray(126, '{') + "{", Kind::Text}}) {
        const EscPosJobDecoder decoder =
            EscPosJobDecoder::of(ReceiptPrinter::escPosJob(writeVoucher("<document><barcode y='code128'>" + data + "</barcode></document>"), settings));
        ASSERT_FALSE(decoder.items().isEmpty());
        EXPECT_EQ(int(decoder.items().first().kind), int(kind)) << data.right(1).toStdString();
        if (kind == Kind::Barcode) {
            EXPECT_EQ(decoder.items().first().text, QString::fromLatin1(data));
        }
    }
}

// As the drawn receipt, a job stops taking paper after 3 m.
TEST_F(EscPosPrinterTest, AJobStopsAfterThreeMetresOfPaper)
{
    QByteArray body;
    for (int i = 0; i < 200; ++i)
        body += "<text h='2'>line</text><image f='quiba'/><line w='16'/>";
    const EscPosJobDecoder decoder = EscPosJobDecoder::of(ReceiptPrinter::escPosJob(writeVoucher("<document>" + body + "</document>"), settings));
    int rows = 0;
    for (const auto& item : decoder.items())
        rows += item.kind == Kind::Image ? item.image.height() : EscPosEncoder::kFontAHeight * item.height;
    EXPECT_LE(rows, settings.dotsY(3000));
    // Feeds and line spacing come on top of the rows counted here.
    EXPECT_GT(rows, settings.dotsY(2400));
    EXPECT_LT(decoder.lines().size(), 200);
}

TEST_F(EscPosPrinterTest, PrintsOverTheNetworkAskingTheStatusBeforeAndAfter)
{
    EscPosPrinterSimulator printer;
    printSampleOn(printer);
    EXPECT_EQ(printer.decoded().items().size(), EscPosJobDecoder::of(ReceiptPrinter::escPosJob(kSample, settings)).items().size());
    EXPECT_EQ(printer.connections(), 1);
}

// The device file of a printer on a USB or serial line, here a pseudo-terminal: the line is
// put in raw mode, so that line feeds and status requests pass as they are.
TEST_F(EscPosPrinterTest, PrintsToADeviceFile)
{
    EscPosPrinterSimulator printer(EscPosPrinterSimulator::Transport::PseudoTerminal);
    ASSERT_TRUE(printer.device().startsWith(QStringLiteral("/dev/")));
    printSampleOn(printer);
    const EscPosJobDecoder received = printer.decoded();
    for (const auto& item : received.items())
        EXPECT_NE(int(item.kind), int(Kind::Unknown)) << item.text.toStdString();

    printer.setState(State::CoverOpen);
    EXPECT_EQ(printError(kSample).description(), QStringLiteral("Printer cover open"));
}

TEST_F(EscPosPrinterTest, APrinterThatIsNotReadyPrintsNothingAndTheCallRaisesItsText)
{
    const struct {
        State state;
        const char* text;
    } cases[] = {
        {State::PaperEnd, "Printer paper end"},
        {State::CoverOpen, "Printer cover open"},
        {State::Offline, "Printer offline"},
        {State::NoAnswer, "Printer does not answer"},
    };
    for (const auto& c : cases) {
        EscPosPrinterSimulator printer;
        printer.setState(c.state);
        settings.device = printer.device();
        settings.timeoutMs = c.state == State::NoAnswer ? kSilentPrinterTimeoutMs : kTimeoutMs;
        const AutomationError error = printError(kSample);
        EXPECT_EQ(error.number(), 57) << c.text;
        EXPECT_EQ(error.description(), QString::fromLatin1(c.text));
        EXPECT_EQ(printer.decoded().initialisations(), 0) << c.text;

        ReceiptPrinter ready(settings);
        try {
            ready.CheckStatus();
            ADD_FAILURE() << "no error: " << c.text;
        } catch (const AutomationError& status) {
            EXPECT_EQ(status.description(), QString::fromLatin1(c.text));
        }
    }
}

TEST_F(EscPosPrinterTest, PaperNearEndPrintsWithAWarning)
{
    EscPosPrinterSimulator printer;
    printer.setState(State::PaperNearEnd);
    settings.device = printer.device();
    EXPECT_EQ(printError(kSample).number(), 0);
    EXPECT_EQ(printer.decoded().initialisations(), 1);
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{{QStringLiteral("Printer paper near end"), 2},
                                                          {QStringLiteral("Printer paper near end"), 2}}));
}

TEST_F(EscPosPrinterTest, PaperThatEndsDuringTheJobRaisesAfterIt)
{
    EscPosPrinterSimulator printer;
    printer.setStateAfterCut(State::PaperEnd);
    settings.device = printer.device();
    EXPECT_EQ(printError(kSample).description(), QStringLiteral("Printer paper end"));
    EXPECT_EQ(printer.decoded().initialisations(), 1);
}

TEST_F(EscPosPrinterTest, AConnectionThatCannotBeMadeOrBreaksRaises)
{
    // A port nobody listens on: bound, then closed.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(probe);
    settings.device = QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(address.sin_port));
    AutomationError error = printError(kSample);
    EXPECT_EQ(error.number(), 57);
    EXPECT_EQ(error.description(), QStringLiteral("Printer %1 cannot be reached: Connection refused").arg(settings.device));

    settings.device = folder.filePath(QStringLiteral("no-such-device"));
    EXPECT_EQ(printError(kSample).description(),
              QStringLiteral("Printer %1 cannot be reached: No such file or directory").arg(settings.device));
    settings.device = QStringLiteral("tcp://");
    EXPECT_EQ(printError(kSample).description(), QStringLiteral("Printer tcp:// cannot be reached: no host"));

    EscPosPrinterSimulator printer;
    printer.closeAfterBytes(100);
    settings.device = printer.device();
    error = printError(kSample);
    EXPECT_EQ(error.number(), 57);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Printer connection broken: ")))
        << error.description().toStdString();
}

TEST_F(EscPosPrinterTest, AVoucherThatEndsEarlySendsNothing)
{
    EscPosPrinterSimulator printer;
    settings.device = printer.device();
    const AutomationError error = printError(writeVoucher("<document><text>Serial</text><cut/><text b='"));
    EXPECT_EQ(error.number(), 321);
    EXPECT_EQ(printer.connections(), 0);
}

} // namespace
