#include "api/SaleFixture.h"
#include "api/UserInterface.h"
#include "services/QuibaErrors.h"
#include "common/TestEventLoop.h"

using namespace Qt::StringLiterals;

namespace {

class UserInterfaceTest : public SaleFixture {
protected:
    UserInterface ui;
};

TEST_F(UserInterfaceTest, WindowPropertiesGoToTheEnginesWindow)
{
    startEngine();
    EXPECT_EQ(ui.hwnd(), 0x1234);
    ui.setLeft(10);
    ui.setTop(-20);
    ui.setWidth(800);
    ui.setHeight(600);
    ui.setTopMost(true);
    EXPECT_EQ(engine->gui->Left(), 10);
    EXPECT_EQ(ui.Top(), -20);
    EXPECT_EQ(ui.Width(), 800);
    EXPECT_EQ(ui.Height(), 600);
    EXPECT_TRUE(ui.TopMost());
    EXPECT_EQ(traceLines(),
              (QStringList{u"GET: UserInterface.hWnd"_s, u" --> 4660"_s, u"SET: UserInterface.Left = 10"_s,
                           u"SET: UserInterface.Top = -20"_s, u"SET: UserInterface.Width = 800"_s,
                           u"SET: UserInterface.Height = 600"_s, u"SET: UserInterface.TopMost = True"_s,
                           u"GET: UserInterface.Top"_s, u" --> -20"_s, u"GET: UserInterface.Width"_s, u" --> 800"_s,
                           u"GET: UserInterface.Height"_s, u" --> 600"_s, u"GET: UserInterface.TopMost"_s,
                           u" --> True"_s}));
    // No trace frames: the window properties do not announce themselves.
    EXPECT_FALSE(errorHandler->events.join(u'\n').contains(u"UserInterface"));
}

TEST_F(UserInterfaceTest, WithoutAnEngineReadsGiveZeroAndNothingIsRaised)
{
    EXPECT_EQ(ui.Left(), 0);
    EXPECT_EQ(ui.hwnd(), 0);
    EXPECT_FALSE(ui.TopMost());
    ui.setWidth(5);
    EXPECT_EQ(traceLines(), (QStringList{u"GET: UserInterface.Left"_s, u" --> 0"_s, u"GET: UserInterface.hWnd"_s,
                                         u" --> 0"_s, u"GET: UserInterface.TopMost"_s, u" --> False"_s,
                                         u"SET: UserInterface.Width = 5"_s}));
}

struct ShowCase {
    const char* name;
    std::function<void(FakeRulesEngine&)> arrange;
    qint32 number;
    const char* description;
};

TEST_F(UserInterfaceTest, ShowRefusesInItsOrderOfChecks)
{
    const ShowCase cases[] = {
        {"unassigned before busy", [](FakeRulesEngine& e) { e.assignRequired = true; e.busy = true; },
         quibaAssignRequired, "pcQUIBA is not assigned to Host"},
        {"busy before no basket", [](FakeRulesEngine& e) { e.busy = true; e.basket.reset(); }, quibaBusy,
         "pcQUBIA is Busy"},
        {"no basket", [](FakeRulesEngine& e) { e.basket.reset(); }, quibaGeneralError, "Basket does not Exist"},
        {"committed before full", [](FakeRulesEngine& e) { e.basket->isCommitted = true; e.basket->isFull = true; },
         quibaBasketIsCommitted, "Basket is (already) Committed"},
        {"full", [](FakeRulesEngine& e) { e.basket->isFull = true; }, quibaBasketIsFull, "Basket already Full"},
    };
    for (const ShowCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        startEngine();
        testCase.arrange(*engine);
        std::optional<QString> start;
        const AutomationError error = errorOf([&] { ui.Show(start); });
        EXPECT_EQ(error.number(), testCase.number);
        EXPECT_EQ(error.description(), QString::fromUtf8(testCase.description));
        EXPECT_EQ(error.source(), u"pcQUIBAUserInterface"_s);
        EXPECT_FALSE(engine->guiVisible);
        frmController::unload();
        TestEventLoop::runPending();
    }
    std::optional<QString> start;
    EXPECT_EQ(errorOf([&] { ui.Show(start); }).number(), quibaNotReady);
}

TEST_F(UserInterfaceTest, ShowCallsTheEngineWithinTheCall)
{
    startEngine();
    std::optional<QString> start = u"Top \"Up\""_s;
    ui.Show(start);
    EXPECT_TRUE(engine->calls.contains(u"ShowGUI(Top \"Up\")"_s));
    std::optional<QString> none;
    ui.Show(none);
    EXPECT_TRUE(engine->calls.contains(u"ShowGUI()"_s));
    EXPECT_EQ(traceLines(),
              (QStringList{u"CALL: UserInterface.Show(\"Top \"\"Up\"\"\")"_s, u"CALL: UserInterface.Show()"_s}));
}

TEST_F(UserInterfaceTest, InterruptAndHideReturnBeforeTheEngineHides)
{
    startEngine();
    std::optional<QString> reason = u"Till needed"_s;
    ui.Interrupt(reason);
    ui.Hide();
    EXPECT_TRUE(engine->calls.filter(u"HideGUI").isEmpty());
    EXPECT_EQ(traceLines(),
              (QStringList{u"CALL: UserInterface.Interrupt(\"Till needed\")"_s, u"CALL: UserInterface.Hide()"_s}));
    TestEventLoop::runPending();
    EXPECT_EQ(engine->calls.filter(u"HideGUI"), (QStringList{u"HideGUI(True, Till needed)"_s, u"HideGUI(False, )"_s}));
}

TEST_F(UserInterfaceTest, InterruptAndHideNeedAnEngine)
{
    std::optional<QString> reason;
    const std::function<void()> calls[] = {[&] { ui.Interrupt(reason); }, [&] { ui.Hide(); }};
    for (const auto& call : calls) {
        const AutomationError error = errorOf(call);
        EXPECT_EQ(error.number(), quibaNotReady);
        EXPECT_EQ(error.description(), u"pcQUBIA is Not Ready"_s);
    }
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: UserInterface.Interrupt(\"\")"_s, u"CALL: UserInterface.Hide()"_s}));
}

} // namespace
