#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "services/Services.h"
#include "fakes/ServiceFixture.h"
#include "fakes/ThrowingLexicon.h"
#include "platform/RuntimeErrors.h"

#include "services/ProcedureSlot.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

class ProcedureFrameTest : public ServiceFixture {};

int procedureWithPaths(int path)
{
    ProcedureFrame frame(QStringLiteral("Function Paths"), QStringLiteral("modTest"));
    if (path == 1)
        return 1; // early return
    if (path == 2)
        throw std::runtime_error("boom");
    if (path == 3)
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    return 0;
}

TEST_F(ProcedureFrameTest, LeavesExactlyOnceOnEveryPath)
{
    for (int path = 0; path < 4; ++path) {
        SCOPED_TRACE(path);
        errorHandler->enters = errorHandler->leaves = 0;
        try {
            procedureWithPaths(path);
        } catch (...) {
        }
        EXPECT_EQ(errorHandler->enters, 1);
        EXPECT_EQ(errorHandler->leaves, 1);
    }
}

TEST_F(ProcedureFrameTest, ExplicitLeaveIsNotRepeatedByTheDestructor)
{
    {
        ProcedureFrame frame(QStringLiteral("Sub Twice"), QStringLiteral("modTest"));
        frame.leave();
        frame.leave();
        EXPECT_TRUE(frame.hasLeft());
    }
    EXPECT_EQ(errorHandler->leaves, 1);
}

TEST_F(ProcedureFrameTest, ClassExitTurnsAnUnexpectedFailureIntoTheGeneralError)
{
    ProcedureFrame frame(QStringLiteral("Property (Get) Count"), QStringLiteral("Basket"));
    try {
        frame.run(ErrorExit::forClass(QStringLiteral("pcQUIBABasket")),
                  [] { RuntimeErrors::raise(RuntimeErrors::DivisionByZero); });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), quibaGeneralError);
        EXPECT_EQ(error.source(), QStringLiteral("pcQUIBABasket"));
        EXPECT_EQ(error.description(), QStringLiteral("General Error: Division by zero"));
    }
    EXPECT_EQ(errorHandler->events,
              (QStringList{QStringLiteral("enter Basket.Property (Get) Count"),
                           QStringLiteral("record 11 Basket.Property (Get) Count"), QStringLiteral("mode 3"),
                           QStringLiteral("leave"), QStringLiteral("enter modMain.Function ErrText"),
                           QStringLiteral("leave")}));
    // The General Error text is written to the log like every error text.
    ASSERT_FALSE(logger->lines.isEmpty());
    EXPECT_EQ(logger->lines.last().text, QStringLiteral(" *** General Error: Division by zero"));
}

TEST_F(ProcedureFrameTest, ClassExitDescribesForeignExceptionsAsInternalErrors)
{
    ProcedureFrame frame(QStringLiteral("Sub Show"), QStringLiteral("UserInterface"));
    try {
        frame.run(ErrorExit::forClass(QStringLiteral("pcQUIBAUserInterface")),
                  [] { throw std::runtime_error("engine vanished"); });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), quibaGeneralError);
        EXPECT_EQ(error.description(), QStringLiteral("General Error: Internal error: engine vanished"));
    }
    EXPECT_EQ(errorHandler->errorNumber(), RuntimeErrors::InternalError);
}

TEST_F(ProcedureFrameTest, ExpectedErrorsLeaveFirstAndPassTheExitUnchanged)
{
    ProcedureFrame frame(QStringLiteral("Function Commit"), QStringLiteral("Basket"));
    try {
        frame.run(ErrorExit::forClass(QStringLiteral("pcQUIBABasket")),
                  [&] { frame.raise(quibaInvalidArgument, QStringLiteral("Basket"), {Variant(u"ProductID")}); });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), quibaInvalidArgument);
        EXPECT_EQ(error.source(), QStringLiteral("pcQUIBABasket"));
        EXPECT_EQ(error.description(), QStringLiteral("Missing or Invalid Argument: ProductID"));
    }
    // The text is made after the refusing procedure has left.
    EXPECT_EQ(errorHandler->events,
              (QStringList{QStringLiteral("enter Basket.Function Commit"), QStringLiteral("leave"),
                           QStringLiteral("enter modMain.Function ErrText"), QStringLiteral("leave")}));
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{
                                 {QStringLiteral(" *** Missing or Invalid Argument: ProductID"), 4}}));
}

TEST_F(ProcedureFrameTest, AnExpectedErrorCanBeRaisedAsItWasBuilt)
{
    const AutomationError refused(quibaBasketIsEmpty, QStringLiteral("pcQUIBABasket"), QStringLiteral("Basket is Empty"));
    ProcedureFrame frame(QStringLiteral("Function Commit"), QStringLiteral("Basket"));
    try {
        frame.run(ErrorExit::forClass(QStringLiteral("pcQUIBABasket")), [&] { frame.raise(refused); });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), quibaBasketIsEmpty);
        EXPECT_EQ(error.description(), QStringLiteral("Basket is Empty"));
    }
    EXPECT_EQ(errorHandler->events, (QStringList{QStringLiteral("enter Basket.Function Commit"), QStringLiteral("leave")}));
}

TEST_F(ProcedureFrameTest, ARefusalWhoseTextFailsDoesNotPassTheClassErrorExit)
{
    Services::setLexicon(std::make_shared<ThrowingLexicon>());
    ProcedureFrame frame(QStringLiteral("Function Commit"), QStringLiteral("Basket"));
    try {
        frame.run(ErrorExit::forClass(QStringLiteral("pcQUIBABasket")),
                  [&] { frame.raise(quibaBasketIsEmpty, QStringLiteral("Basket")); });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        // ErrText's own exit reports the failure; the refusing procedure adds no General Error.
        EXPECT_EQ(error.number(), RuntimeErrors::DeviceIoError);
        EXPECT_EQ(error.source(), QStringLiteral("pcQUIBA.modMain"));
    }
    EXPECT_EQ(errorHandler->events,
              (QStringList{QStringLiteral("enter Basket.Function Commit"), QStringLiteral("leave"),
                           QStringLiteral("enter modMain.Function ErrText"),
                           QStringLiteral("record 57 modMain.Function ErrText"), QStringLiteral("mode 3"),
                           QStringLiteral("leave")}));
}

TEST_F(ProcedureFrameTest, ModuleExitRaisesTheRecordedErrorFromTheModule)
{
    ProcedureFrame frame(QStringLiteral("Sub Main"), QStringLiteral("modMain"));
    try {
        frame.run(ErrorExit::forModule(), [] {
            throw AutomationError(RuntimeErrors::FileNotFound, QStringLiteral("x"), QStringLiteral("File not found"),
                                  QStringLiteral("help.chm"), QStringLiteral("42"));
        });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.source(), QStringLiteral("pcQUIBA.modMain"));
        EXPECT_EQ(error.description(), QStringLiteral("File not found"));
        EXPECT_EQ(error.helpFile(), QStringLiteral("help.chm"));
        EXPECT_EQ(error.helpContext(), QStringLiteral("42"));
    }
    EXPECT_EQ(errorHandler->leaves, 1);
}

TEST_F(ProcedureFrameTest, RethrowExitRecordsAndRaisesTheSameError)
{
    ProcedureFrame frame(QStringLiteral("GetInteger"), QStringLiteral("clsINIFile"));
    try {
        frame.run(ErrorExit::rethrow(), [] { return RuntimeErrors::raise(RuntimeErrors::Overflow), 0; });
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), RuntimeErrors::Overflow);
        EXPECT_EQ(error.description(), QStringLiteral("Overflow"));
    }
    EXPECT_TRUE(errorHandler->events.contains(QStringLiteral("record 6 clsINIFile.GetInteger")));
    EXPECT_EQ(errorHandler->leaves, 1);
}

TEST_F(ProcedureFrameTest, RunReturnsTheBodysValue)
{
    ProcedureFrame frame(QStringLiteral("Function Answer"), QStringLiteral("modTest"));
    EXPECT_EQ(frame.run(ErrorExit::rethrow(), [] { return 42; }), 42);
    EXPECT_FALSE(frame.hasLeft());
}

QByteArray shownProcedure(std::size_t size = ProcedureSlot::kCapacity)
{
    QByteArray buffer(qsizetype(size), 'x');
    buffer.truncate(qsizetype(ProcedureSlot::read(buffer.data(), size)));
    return buffer;
}

TEST_F(ProcedureFrameTest, TheSlotShowsTheInnermostProcedureOfTheClaimingThread)
{
    ProcedureSlot::claimForThisThread();
    {
        ProcedureFrame outer(QStringLiteral("Sub Main"), QStringLiteral("modMain"));
        EXPECT_EQ(shownProcedure(), "modMain.Sub Main");
        {
            ProcedureFrame inner(QStringLiteral("Function Count"), QStringLiteral("Basket"));
            EXPECT_EQ(shownProcedure(), "Basket.Function Count");
            // Another thread's procedures never show.
            std::thread([] { ProcedureFrame other(QStringLiteral("Sub Print"), QStringLiteral("Printer")); }).join();
            EXPECT_EQ(shownProcedure(), "Basket.Function Count");
            inner.leave();
            EXPECT_EQ(shownProcedure(), "modMain.Sub Main");
        }
        EXPECT_EQ(shownProcedure(), "modMain.Sub Main");
    }
    EXPECT_EQ(shownProcedure(), "");

    // A name longer than the slot is cut; what is not printable ASCII shows as '?'.
    ProcedureFrame longName(QString(300, u'p'), QStringLiteral("Ünit"));
    const QByteArray expected = "?nit." + QByteArray(qsizetype(ProcedureSlot::kCapacity) - 6, 'p');
    EXPECT_EQ(shownProcedure(), expected);
    // A reader's smaller buffer gets what fits.
    EXPECT_EQ(shownProcedure(5), "?nit");
}

} // namespace
