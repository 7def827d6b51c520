#include "services/ErrText.h"
#include "services/QuibaErrors.h"
#include "services/Services.h"
#include "components/TextFileLexicon.h"
#include "fakes/ServiceFixture.h"
#include "fakes/ThrowingLexicon.h"

#include <gtest/gtest.h>

namespace {

class ErrTextTest : public ServiceFixture {
protected:
    void useLexicon(const QString& content)
    {
        auto lexicon = std::make_shared<TextFileLexicon>();
        lexicon->loadText(content);
        Services::setLexicon(lexicon);
    }

    int errorLines() const
    {
        int count = 0;
        for (const auto& line : logger->lines) {
            if (line.text.startsWith(QStringLiteral(" *** ")))
                ++count;
        }
        return count;
    }
};

struct DefaultTextCase {
    qint32 number;
    VariantArray arguments;
    const char* expected;
};

TEST_F(ErrTextTest, EveryCataloguedCodeGivesItsBuiltInTextWithoutALexicon)
{
    const DefaultTextCase cases[] = {
        {qint32(0x80040258), {Variant(u"disk on fire")}, "General Error: disk on fire"},
        {qint32(0x80040259), {}, "pcQUBIA is Not Ready"},
        {qint32(0x8004025A), {}, "pcQUBIA is Busy"},
        {qint32(0x8004025B), {Variant(u"Suspend")}, "Suspend is not (yet) supported"},
        {qint32(0x8004025C), {Variant(u"Device")}, "Missing or Invalid Argument: Device"},
        {qint32(0x8004025D), {}, "pcQUIBA is not assigned to Host"},
        {qint32(0x80040262), {}, "Basket does not Exist"},
        {qint32(0x80040263), {}, "Basket is Empty"},
        {qint32(0x80040264), {}, "Basket is not Empty"},
        {qint32(0x80040265), {}, "Basket already Full"},
        {qint32(0x80040266), {}, "Basket not (yet) Committed"},
        {qint32(0x80040267), {}, "Basket is (already) Committed"},
        {qint32(0x8004026C), {}, "Product not Found"},
        {qint32(0x8004026D), {}, "Basket Item not Found"},
        {qint32(0x8004026E), {}, "Basket Item no longer exists"},
        {qint32(0x8004026F), {}, "GUI Start not Found"},
        {qint32(0x80040270), {}, "Item is incompatible with others in the basket"},
        {qint32(0x80040276), {}, "Invalid or Unexpected Device Number"},
        {qint32(0x80040277), {}, "Cannot Print: No Printer Specified"},
        {qint32(0x80040278), {Variant(u"c:\\v.xml")}, "c:\\v.xml File not Found"},
    };
    ASSERT_EQ(std::size(cases), size_t(QuibaErrorCatalogue::entries().size()));
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.number);
        ASSERT_TRUE(QuibaErrorCatalogue::find(testCase.number).has_value());
        EXPECT_EQ(ErrText(testCase.number, testCase.arguments), QString::fromUtf8(testCase.expected));
    }
}

TEST_F(ErrTextTest, CatalogueValuesAreTheObjectErrorBasePlusTheirOffsets)
{
    EXPECT_EQ(quibaGeneralError, -2147220904);
    EXPECT_EQ(quibaNotReady, -2147220903);
    EXPECT_EQ(quibaNoBasket, -2147220894);
    EXPECT_EQ(quibaFileNotFound, -2147220872);
}

TEST_F(ErrTextTest, UnknownNumbersGiveUnknownErrorWithTheNumber)
{
    EXPECT_EQ(ErrText(5), QStringLiteral("Unknown Error: 5"));
    EXPECT_EQ(ErrText(qint32(0x80040000)), QStringLiteral("Unknown Error: -2147221504"));
    // Arguments of an unknown number are replaced by the number itself.
    EXPECT_EQ(ErrText(-1, {Variant(u"ignored")}), QStringLiteral("Unknown Error: -1"));
}

TEST_F(ErrTextTest, LexiconEntriesReplaceTheBuiltInTexts)
{
    useLexicon(QStringLiteral("[PCQUIBA_ERRORS]\n"
                              "604=Argument \\1 fehlt\n"
                              "601=Nicht bereit\n"
                              "999=Fehler \\1\n"
                              "[OTHER]\n"
                              "602=not this one\n"));
    EXPECT_EQ(ErrText(quibaInvalidArgument, {Variant(u"Device")}), QStringLiteral("Argument Device fehlt"));
    EXPECT_EQ(ErrText(quibaNotReady), QStringLiteral("Nicht bereit"));
    EXPECT_EQ(ErrText(5), QStringLiteral("Fehler 5"));
    EXPECT_EQ(ErrText(quibaBusy), QStringLiteral("pcQUBIA is Busy"));
    // A placeholder without an argument becomes empty.
    EXPECT_EQ(ErrText(quibaInvalidArgument), QStringLiteral("Argument  fehlt"));
}

TEST_F(ErrTextTest, EveryCallWritesExactlyOneErrorLineAtSeverityFour)
{
    ErrText(quibaBusy);
    ASSERT_EQ(errorLines(), 1);
    EXPECT_EQ(logger->lines.last(), (RecordingLogger::Line{QStringLiteral(" *** pcQUBIA is Busy"), 4}));

    ErrText(12345);
    ErrText(quibaGeneralError, {Variant(u"x")});
    EXPECT_EQ(errorLines(), 3);
    EXPECT_EQ(logger->lines.size(), 3);
}

TEST_F(ErrTextTest, AnnouncesItselfInModMainAndLeaves)
{
    ErrText(quibaBusy);
    EXPECT_EQ(errorHandler->events, (QStringList{QStringLiteral("enter modMain.Function ErrText"),
                                                 QStringLiteral("leave")}));
}

TEST_F(ErrTextTest, AFailingLexiconGoesThroughTheModuleErrorExit)
{
    Services::setLexicon(std::make_shared<ThrowingLexicon>());
    try {
        ErrText(quibaBusy);
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), RuntimeErrors::DeviceIoError);
        EXPECT_EQ(error.source(), QStringLiteral("pcQUIBA.modMain"));
        EXPECT_EQ(error.description(), QStringLiteral("Device I/O error"));
    }
    EXPECT_EQ(errorHandler->events,
              (QStringList{QStringLiteral("enter modMain.Function ErrText"),
                           QStringLiteral("record 57 modMain.Function ErrText"), QStringLiteral("mode 3"),
                           QStringLiteral("leave")}));
    // No text was made, so no error line is written.
    EXPECT_EQ(errorLines(), 0);
}

TEST_F(ErrTextTest, PublicErrorsCarryTheExecutableAndClassAsSource)
{
    const AutomationError error = QuibaErrorCatalogue::error(quibaInvalidArgument, QStringLiteral("API"),
                                                             {Variant(u"POSDeviceID")});
    EXPECT_EQ(error.number(), quibaInvalidArgument);
    EXPECT_EQ(error.source(), QStringLiteral("pcQUIBAAPI"));
    EXPECT_EQ(error.description(), QStringLiteral("Missing or Invalid Argument: POSDeviceID"));
}

} // namespace
