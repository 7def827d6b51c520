#include "api/VoucherMarkup.h"

#include "common/TestFiles.h"
#include "fakes/RecordingPrintEvents.h"
#include "platform/AutomationError.h"
#include "support/clsZlib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kLogos = QStringLiteral(PCQUIBA_TEST_DATA "/vouchers/logos");
const QString kSample = QStringLiteral(PCQUIBA_TEST_DATA "/vouchers/sample.xml");

class VoucherMarkupTest : public ::testing::Test {
protected:
    QString writeFile(const QByteArray& bytes, const QString& name = QStringLiteral("voucher.xml"))
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(TestFiles::write(path, bytes));
        return path;
    }

    // The events of one file read with the test's state, as recorded.
    QStringList eventsOf(const QString& path)
    {
        RecordingPrintEvents target;
        VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
        markup.RaisePrintEvents(path);
        return target.events;
    }

    // The events of a document made of body inside a document element, without the frame.
    QStringList bodyEvents(const QByteArray& body)
    {
        QStringList events = eventsOf(writeFile("<document>" + body + "</document>"));
        EXPECT_GE(events.size(), 4) << events.join(u'\n').toStdString();
        if (events.size() < 4)
            return events;
        return events.mid(2, events.size() - 4);
    }

    QTemporaryDir folder;
    VoucherPrintState state;
};

TEST_F(VoucherMarkupTest, SampleVoucherGivesItsCompleteEventSequencePlainAndCompressed)
{
    const QStringList expected = {
        "PrintBegin(1)",
        "PrintVoucher(l)",
        "PrintGraphicsBegin(m)",
        "PrintImage(c|" + kLogos + "/quiba.bmp)",
        "PrintGraphicsEnd()",
        "PrintText(A|bold|2|2|c|0|QUIBA MOBILE)",
        "PrintText(B||1|1|c|0|Corner Shop & Kiosk, 12 High Street)",
        "PrintText(B||1|1|c|0|Tel. 0800 123 456)",
        "PrintLine(2)",
        "PrintText(A|bold|1|1|c|0|PREPAID TOP-UP VOUCHER)",
        "PrintText(C||1|1|l|0|Date:                 10/12/2026 14:05)",
        "PrintText(C||1|1|l|0|Terminal:                       T-0042)",
        "PrintText(C||1|1|l|0|Receipt:                         004711)",
        "PrintLine(1)",
        QString::fromUtf8("PrintText(C|b|1|1|l|0|Talk&Text 20                     € 20.00)"),
        QString::fromUtf8("PrintText(C||1|1|l|0|Service fee                     € 0.50)"),
        "PrintLine(1)",
        QString::fromUtf8("PrintText(C|b|1|2|l|0|TOTAL                          € 20.50)"),
        "PrintLine(2)",
        "PrintText(A||1|1|c|0|Your PIN)",
        "PrintText(A|bold|2|2|c|0|1234 5678 9012)",
        "PrintText(B||1|1|c|0|Serial 8800 1234 5678)",
        "PrintBarcode(code128|1|12|c|VCH0001234567)",
        "PrintText(B||1|1|c|0|Valid until 31/12/2027)",
        "PrintText(A||2|1|c|0|Scan to redeem)",
        "PrintBarcode(qr|2|10|c|https://quiba.example/redeem?pin=123456789012)",
        "PrintText(A||1|1|l|0|Dial *100*PIN# to top up.)",
        "PrintBarcode(ean13|1|15|c|590123412345)",
        "PrintText(B|i|1|1|c|0|Thank you for shopping with us)",
        "PrintCut(half)",
        "PrintVoucherEnd()",
        "PrintEnd()",
    };
    const QString plain = folder.filePath(QStringLiteral("plain.xml"));
    ASSERT_TRUE(QFile::copy(kSample, plain));
    EXPECT_EQ(eventsOf(plain), expected);

    const QString compressed = folder.filePath(QStringLiteral("compressed.xml"));
    ASSERT_TRUE(QFile::copy(kSample, compressed));
    clsZlib().Compress(compressed);
    ASSERT_TRUE(clsZlib().IsCompressed(compressed));
    state = {};
    EXPECT_EQ(eventsOf(compressed), expected);
}

// Editors put a UTF-8 byte-order mark before the declaration; compressed or not, the
// document reads as without it.
TEST_F(VoucherMarkupTest, AByteOrderMarkBeforeTheDocumentIsSkipped)
{
    const QByteArray document = "<?xml version='1.0'?>\n<document><text>PIN 1234</text><cut/></document>";
    const QStringList expected = eventsOf(writeFile(document, QStringLiteral("plain.xml")));
    ASSERT_EQ(expected.size(), 6) << expected.join(u'\n').toStdString();
    for (const bool compressed : {false, true}) {
        const QString path = writeFile("\xEF\xBB\xBF" + document, QStringLiteral("marked.xml"));
        if (compressed)
            clsZlib().Compress(path);
        EXPECT_EQ(eventsOf(path), expected) << (compressed ? "compressed" : "plain");
    }
}

struct ElementCase {
    const char* name;
    QByteArray body;
    QStringList events;
};

class MarkupElementTest : public VoucherMarkupTest, public ::testing::WithParamInterface<ElementCase> {};

TEST_P(MarkupElementTest, ElementGivesItsEvents)
{
    EXPECT_EQ(bodyEvents(GetParam().body), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, MarkupElementTest,
    ::testing::Values(
        ElementCase{"TextDefaults", "<text>a b</text>", {"PrintText(A||1|1|l|0|a b)"}},
        ElementCase{"TextLongNames",
                    "<text alignment='Right' font='c' emphasis='BOLD' charwidth='3' charheight='4' indent='5'>x</text>",
                    {"PrintText(C|bold|3|4|r|5|x)"}},
        ElementCase{"LongNameBeforeShort", "<text a='c' alignment='right' f='b' font='c'>x</text>",
                    {"PrintText(C||1|1|r|0|x)"}},
        ElementCase{"EmptyAlignmentGivesNoLetter", "<text a=''>x</text>", {"PrintText(A||1|1||0|x)"}},
        ElementCase{"TildeIsHardSpaceByDefault", "<text>a~b~~c_d</text>", {"PrintText(A||1|1|l|0|a b  c_d)"}},
        ElementCase{"UnderscoreAsHardSpace", "<text hs='_'>a_b~c__d</text>", {"PrintText(A||1|1|l|0|a b~c  d)"}},
        ElementCase{"HardSpaceOfSeveralCharacters", "<text hardspace='{}'>a{}b}{</text>",
                    {"PrintText(A||1|1|l|0|a b}{)"}},
        ElementCase{"EmptyHardSpaceReplacesNothing", "<text hs=''>a~b</text>", {"PrintText(A||1|1|l|0|a~b)"}},
        ElementCase{"LeadingNumberRule", "<text w='12abc' h='abc' i=' 7 '>x</text>",
                    {"PrintText(A||12|0|l|7|x)"}},
        ElementCase{"HalvesRoundToEven", "<text w='2.5' h='3.5' i='-1.5'>x</text>", {"PrintText(A||2|4|l|-2|x)"}},
        ElementCase{"HexadecimalNumber", "<line w='&amp;H10'/>", {"PrintLine(16)"}},
        ElementCase{"LineDefault", "<line/><line width='3' w='4'/>", {"PrintLine(1)", "PrintLine(3)"}},
        ElementCase{"BarcodeDefaults", "<barcode>123</barcode>", {"PrintBarcode(code39|0|10|c|123)"}},
        ElementCase{"BarcodeTakesWidthOfText", "<text w='2'>t</text><barcode type='QR' height='20' a='l'>x</barcode>",
                    {"PrintText(A||2|1|l|0|t)", "PrintBarcode(qr|2|20|l|x)"}},
        ElementCase{"CutDefaultIsFull", "<cut/>", {"PrintCut(full)"}},
        ElementCase{"HalfCutInAnyCase", "<cut f='half'/><cut filename='HaLF'/><cut f='HALF'/>",
                    {"PrintCut(half)", "PrintCut(half)", "PrintCut(half)"}},
        ElementCase{"OtherCutsAreFull", "<cut f='halfway'/><cut f=''/><cut f=' half'/><cut type='half'/>",
                    {"PrintCut(full)", "PrintCut(full)", "PrintCut(full)", "PrintCut(full)"}},
        ElementCase{"ValignTopAndBottom", "<graphics valign='Top'></graphics><graphics v='bottom'/>",
                    {"PrintGraphicsBegin(t)", "PrintGraphicsEnd()", "PrintGraphicsBegin(b)", "PrintGraphicsEnd()"}},
        ElementCase{"ValignOtherLettersGiveMiddle", "<graphics v='x'/><graphics v=''/><graphics/>",
                    {"PrintGraphicsBegin(m)", "PrintGraphicsEnd()", "PrintGraphicsBegin(m)", "PrintGraphicsEnd()",
                     "PrintGraphicsBegin(m)", "PrintGraphicsEnd()"}},
        ElementCase{"UnknownElementsAndCase", "<Text>x</Text><TEXT/><para>y</para><text>z</text>",
                    {"PrintText(A||1|1|l|0|z)"}},
        ElementCase{"DataAccumulatesAcrossOtherElements", "<text>a<b>b</b>c<line/>d</text>",
                    {"PrintLine(1)", "PrintText(A||1|1|l|0|abcd)"}},
        ElementCase{"StrayTextAfterTextEndsUpInNextEnd", "<text>a</text>stray<graphics/><text>b</text>",
                    {"PrintText(A||1|1|l|0|a)", "PrintGraphicsBegin(m)", "PrintGraphicsEnd()",
                     "PrintText(A||1|1|l|0|b)"}},
        ElementCase{"CdataAndReferences", "<text><![CDATA[<a>]]>&amp;&#65;</text>", {"PrintText(A||1|1|l|0|<a>&A)"}},
        ElementCase{"WhiteSpaceOnlyIsIgnored", "<text>  </text><text> x </text>",
                    {"PrintText(A||1|1|l|0|)", "PrintText(A||1|1|l|0| x )"}},
        ElementCase{"ImageNameWithoutFolderOrExtension", "<image f='quiba'/>",
                    {"PrintImage(c|" + kLogos + "/quiba.bmp)"}},
        ElementCase{"ImageNameAsContent", "<image a='Left'>quiba</image>", {"PrintImage(l|" + kLogos + "/quiba.bmp)"}},
        ElementCase{"ImageWithExtensionKeepsIt", "<image filename='quiba.BMP'/><image f='notanimage.bmp'/>",
                    {"PrintImage(c|" + kLogos + "/notanimage.bmp)"}},
        ElementCase{"MissingImageIsSkipped", "<image f='nologo'/><image f='/nowhere/quiba.bmp'/>", {}},
        ElementCase{"AbsoluteImagePath", "<image f='" + kLogos.toUtf8() + "/quiba'/>",
                    {"PrintImage(c|" + kLogos + "/quiba.bmp)"}}),
    [](const ::testing::TestParamInfo<ElementCase>& info) { return std::string(info.param.name); });

// A name that resolves to a folder, found as it is or with the logo extension added, is no
// image: the renderer would try to read it, the job would carry an empty row.
TEST_F(VoucherMarkupTest, AnImageNameThatIsAFolderIsSkippedLikeAMissingFile)
{
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("logo.bmp")));
    ASSERT_TRUE(TestFiles::write(folder.filePath(QStringLiteral("real.bmp")), QByteArray("BM")));
    const QByteArray base = folder.path().toUtf8();
    EXPECT_EQ(bodyEvents("<image f='" + base + "/logo'/><image f='" + base + "/logo.bmp'/><image f='" + base
                         + "/real'/>"),
              (QStringList{"PrintImage(c|" + folder.filePath(QStringLiteral("real.bmp")) + ")"}));
}

TEST_F(VoucherMarkupTest, DocumentAlignmentIsItsFirstLetterAndNotKept)
{
    EXPECT_EQ(eventsOf(writeFile("<document a='Centre'><text>x</text></document>")),
              (QStringList{"PrintBegin(1)", "PrintVoucher(c)", "PrintText(A||1|1|l|0|x)", "PrintVoucherEnd()",
                           "PrintEnd()"}));
    EXPECT_EQ(eventsOf(writeFile("<document/>")),
              (QStringList{"PrintBegin(1)", "PrintVoucher(l)", "PrintVoucherEnd()", "PrintEnd()"}));
}

TEST_F(VoucherMarkupTest, StateCarriesOverToTheOwnersNextDocument)
{
    bodyEvents("<text w='2' a='r'>x</text>");
    EXPECT_EQ(bodyEvents("<barcode type='ean13'>590123412345</barcode>"),
              (QStringList{"PrintBarcode(ean13|2|10|c|590123412345)"}));
    EXPECT_EQ(state.charHeight, 10);
    EXPECT_EQ(state.data, u"590123412345");
}

TEST_F(VoucherMarkupTest, DocumentCutOffInsideATagClosesItsVoucher)
{
    RecordingPrintEvents target;
    VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
    markup.RaisePrintEvents(writeFile("<document><text>a</text><text b='"));
    EXPECT_FALSE(markup.complete());
    EXPECT_EQ(target.events, (QStringList{"PrintBegin(1)", "PrintVoucher(l)", "PrintText(A||1|1|l|0|a)",
                                          "PrintVoucherEnd()", "PrintEnd()"}));
}

struct FailureCase {
    const char* name;
    QByteArray bytes;
    bool compressed;
    qint32 number;
    int eventsBeforeClosing;
};

class MarkupFailureTest : public VoucherMarkupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MarkupFailureTest, ErrorReachesTheCallerWithTheJobClosed)
{
    const FailureCase& c = GetParam();
    const QString path = writeFile(c.bytes);
    if (c.compressed)
        clsZlib().Compress(path);
    RecordingPrintEvents target;
    VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
    try {
        markup.RaisePrintEvents(path);
        FAIL() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), c.number) << error.description().toStdString();
    }
    EXPECT_FALSE(markup.complete());
    EXPECT_EQ(target.printDepth, 0) << target.events.join(u'\n').toStdString();
    EXPECT_EQ(target.voucherDepth, 0) << target.events.join(u'\n').toStdString();
    if (c.eventsBeforeClosing == 0) {
        EXPECT_TRUE(target.events.isEmpty()) << target.events.join(u'\n').toStdString();
    } else {
        ASSERT_EQ(target.events.size(), c.eventsBeforeClosing + 2) << target.events.join(u'\n').toStdString();
        EXPECT_EQ(target.events.mid(c.eventsBeforeClosing), (QStringList{"PrintVoucherEnd()", "PrintEnd()"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Markup, MarkupFailureTest,
    ::testing::Values(FailureCase{"WidthBeyondSixteenBits", "<document><text w='32768'>x</text></document>", false,
                                  6, 2},
                      FailureCase{"BytesThatAreNotUtf8AfterTheFirstChunk",
                                  "<document><text>x</text>" + QByteArray(1200, ' ')
                                      + "<text>\xc3\x28</text></document>",
                                  false, 321, 3},
                      FailureCase{"CompressedNotUtf8", "<document><line/><text>\xc3\x28</text></document>", true,
                                  321, 0},
                      FailureCase{"RepeatedAttribute", "<document><text a='l' a='r'>x</text></document>", false, 457,
                                  2},
                      FailureCase{"CompressedTextNamesNoFile", "/etc/passwd", true, 321, 0}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(VoucherMarkupTest, MissingFileRaisesFileNotFoundWithoutEvents)
{
    RecordingPrintEvents target;
    VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
    try {
        markup.RaisePrintEvents(folder.filePath(QStringLiteral("gone.xml")));
        FAIL() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 53);
    }
    EXPECT_TRUE(target.events.isEmpty());
}

TEST_F(VoucherMarkupTest, CorruptCompressedDataRaisesTheZlibError)
{
    // A valid zlib header followed by bytes that are no deflate stream.
    const QString path = writeFile(QByteArray("\x78\x9c\xff\xff\xff\xff\xff\xff", 8));
    RecordingPrintEvents target;
    VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
    EXPECT_THROW(markup.RaisePrintEvents(path), AutomationError);
    EXPECT_TRUE(target.events.isEmpty());
}

// The reader trims the name it is given: a name with blanks around it prints the file the
// trimmed name names, even when a file of the untrimmed name exists too.
TEST_F(VoucherMarkupTest, ANameWithBlanksPrintsTheFileOfTheTrimmedName)
{
    const QString path = writeFile("<document><line w='3'/></document>");
    writeFile("<document><line w='7'/></document>", QStringLiteral("voucher.xml "));
    const QStringList expected = eventsOf(path);
    ASSERT_TRUE(expected.join(u' ').contains(u'3')) << expected.join(u' ').toStdString();
    EXPECT_EQ(eventsOf(path + u' '), expected);
    EXPECT_EQ(eventsOf(u' ' + path), expected);
}

TEST_F(VoucherMarkupTest, FileWithoutAnyElementRaisesNothing)
{
    RecordingPrintEvents target;
    VoucherMarkup markup(target, state, {kLogos, QStringLiteral("bmp")});
    markup.RaisePrintEvents(writeFile("just some text"));
    EXPECT_TRUE(target.events.isEmpty());
}

} // namespace
