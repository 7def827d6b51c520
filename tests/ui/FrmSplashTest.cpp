#include "services/MessageBoxes.h"
#include "services/ProcessState.h"
#include "services/Services.h"
#include "common/TestEventLoop.h"
#include "components/BuiltInComponents.h"
#include "controller/ConfigurationUtility.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "platform/ComponentRegistry.h"
#include "platform/AutomationError.h"
#include "platform/DateValue.h"
#include "ui/CogAnimation.h"
#include "ui/frmSplash.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A lexicon that rewords some keys of the start screen.
class RewordingLexicon : public Lexicon {
public:
    QString className() const override { return u"RewordingLexicon"_s; }
    void load(const QString&) override {}
    QString text(const QString& section, const QString& key, const QString& defaultText,
                 const VariantArray& arguments) override
    {
        asked.append(section + u'/' + key);
        if (key == u"cmd_close")
            return u"Beenden"_s;
        if (key == u"n_seconds")
            return u"noch "_s + arguments.value(0).toString() + u" s"_s;
        QString filled = defaultText;
        for (qsizetype index = 0; index < arguments.size(); ++index)
            filled.replace(u'\\' + QString::number(index + 1), arguments[index].toString());
        return filled;
    }
    QStringList asked;
};

// A configuration utility that counts how often it was opened.
class CountingUtility : public ConfigurationUtility {
public:
    QString className() const override { return u"CountingUtility"_s; }
    bool ShowPanel(QString&, QString&) override
    {
        ++opened;
        return false;
    }
    void BeginUpdate(QString&) override {}
    qint16 FilesToInstall(bool&, QString&) override { return 0; }
    static inline int opened = 0;
};

class SplashTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        // Use-by times are counted from the clock, which stands still here however slow the run.
        Clock::set(QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0, 900)));
        ProcessState::reset();
        ProcessState::instance().versionString = u"VB.01.00.00"_s;
        FakeRulesEngine::install();
        CountingUtility::opened = 0;
        ComponentRegistry::registerFactory(ConfigurationUtility::kClassId,
                                           [] { return std::make_shared<CountingUtility>(); });
    }

    void TearDown() override
    {
        frmSplash::unload();
        frmController::unload();
        TestEventLoop::runPending();
        MessageBoxes::setHandler({});
        BuiltInComponents::registerAll();
        ProcessState::reset();
        Clock::reset();
        ServiceFixture::TearDown();
    }

    // Runs the countdown timer's handler once, as a tick would.
    static void tick(frmSplash& splash)
    {
        ASSERT_TRUE(splash.tmrStartGUI()->isActive());
        QMetaObject::invokeMethod(splash.tmrStartGUI(), "timeout", Qt::DirectConnection);
    }
};

TEST_F(SplashTest, CaptionsComeFromTheLexiconWithTheBuiltInDefaults)
{
    frmSplash& splash = frmSplash::instance();
    EXPECT_EQ(splash.lblTitle()->text(), u"pcQUIBA"_s);
    EXPECT_EQ(splash.lblSubTitle()->text(), u"client for Windows™"_s);
    EXPECT_TRUE(splash.lblVersion()->text().startsWith(u"Version: VB.01.00.00 "_s));
    EXPECT_EQ(splash.lblWait()->text(), u"Please wait..."_s);
    EXPECT_EQ(splash.lblProviding()->text(), u"providing"_s);
    EXPECT_EQ(splash.lblProducts()->text(), u"products and services"_s);
    EXPECT_EQ(splash.cmdStart()->text(), u"Start pcQUIBA"_s);
    EXPECT_EQ(splash.cmdSettings()->text(), u"Start Configuration"_s);
    EXPECT_EQ(splash.cmdClose()->text(), u"Close"_s);
    splash.Display(7);
    EXPECT_EQ(splash.chkAutoStart()->text(), u"in 7 seconds"_s);
}

TEST_F(SplashTest, ASiteLexiconRewordsTheScreen)
{
    auto lexicon = std::make_shared<RewordingLexicon>();
    Services::setLexicon(lexicon);
    frmSplash& splash = frmSplash::instance();
    splash.Display(3);
    EXPECT_EQ(splash.cmdClose()->text(), u"Beenden"_s);
    EXPECT_EQ(splash.chkAutoStart()->text(), u"noch 3 s"_s);
    EXPECT_TRUE(lexicon->asked.contains(u"PCQUIBA_SPLASH/subtitle"_s));
}

TEST_F(SplashTest, DisplayWithoutSecondsShowsNoCountdown)
{
    frmSplash& splash = frmSplash::instance();
    for (const qint16 seconds : {qint16(0), qint16(-4)}) {
        splash.Display(seconds);
        EXPECT_TRUE(splash.isVisible());
        EXPECT_FALSE(splash.chkAutoStart()->isVisible());
        EXPECT_FALSE(splash.tmrStartGUI()->isActive());
        EXPECT_EQ(splash.countdown(), 0);
        EXPECT_TRUE(splash.cmdStart()->isEnabled());
        EXPECT_FALSE(splash.lblWait()->isVisible());
    }
}

TEST_F(SplashTest, CountdownStartsTheKioskOnTheLastTick)
{
    const struct {
        qint16 seconds;
        QStringList captions; // after each tick but the last
    } cases[] = {
        {10, {u"in 9 seconds"_s, u"in 8 seconds"_s, u"in 7 seconds"_s, u"in 6 seconds"_s, u"in 5 seconds"_s,
              u"in 4 seconds"_s, u"in 3 seconds"_s, u"in 2 seconds"_s, u"in 1 seconds"_s}},
        {1, {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.seconds);
        frmSplash& splash = frmSplash::instance();
        splash.Display(testCase.seconds);
        EXPECT_EQ(splash.tmrStartGUI()->interval(), 1000);
        for (const QString& caption : testCase.captions) {
            tick(splash);
            EXPECT_EQ(splash.chkAutoStart()->text(), caption);
            EXPECT_FALSE(frmController::isLoaded()) << "started before the last tick";
        }
        tick(splash);

        ASSERT_TRUE(frmController::isLoaded());
        EXPECT_TRUE(frmController::instance().KioskMode());
        const auto engine = FakeRulesEngine::last();
        ASSERT_TRUE(engine);
        EXPECT_EQ(engine->calls, (QStringList{u"Initialise(True)"_s, u"ShowGUI()"_s}));
        EXPECT_FALSE(splash.isVisible());
        EXPECT_FALSE(splash.tmrStartGUI()->isActive());
        EXPECT_FALSE(splash.cmdStart()->isEnabled());
        frmController::unload();
        TestEventLoop::runPending();
    }
}

TEST_F(SplashTest, UntickingStopsTheCountdown)
{
    frmSplash& splash = frmSplash::instance();
    splash.Display(10);
    tick(splash);
    splash.chkAutoStart()->click();
    EXPECT_FALSE(splash.tmrStartGUI()->isActive());
    EXPECT_FALSE(splash.chkAutoStart()->isVisible());
    EXPECT_TRUE(splash.cmdStart()->isEnabled());
    EXPECT_FALSE(frmController::isLoaded());
}

TEST_F(SplashTest, UseByQuestionNamesSecondsBelowTwoMinutesAndWholeMinutesAbove)
{
    const struct {
        qint64 seconds;
        const char16_t* remaining;
    } cases[] = {{90, u"90 seconds"}, {119, u"119 seconds"}, {120, u"2 minutes"}, {150, u"2 minutes"},
                 {1, u"1 seconds"},   {600, u"10 minutes"}};
    for (const auto& testCase : cases) {
        EXPECT_EQ(frmSplash::useByQuestion(testCase.seconds),
                  u"Basket's \"Use By\" date will not expire for "_s + QString::fromUtf16(testCase.remaining)
                      + u"\r\nDo you want to stop the Engine anyway?"_s);
    }
}

TEST_F(SplashTest, SettingsWhileABasketIsInUseAsksFirst)
{
    const struct {
        const char* name;
        double secondsAhead; // < 0: no basket
        MessageBoxes::Answer answer;
        QString remaining;   // empty: no question
        bool stopsAndOpens;
    } cases[] = {
        {"90 s ahead, No", 90, MessageBoxes::Answer::No, u"90 seconds"_s, false},
        {"150 s ahead, Yes", 150, MessageBoxes::Answer::Yes, u"2 minutes"_s, true},
        {"use-by passed", -30, MessageBoxes::Answer::No, QString(), true},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        QStringList asked;
        MessageBoxes::setHandler([&](const MessageBoxes::Request& request) {
            asked.append(request.text);
            EXPECT_EQ(request.buttons, MessageBoxes::Buttons::YesNo);
            return testCase.answer;
        });
        frmController& controller = frmController::instance().Connect(u"KIOSK"_s);
        controller.StartEngine();
        const auto engine = FakeRulesEngine::last();
        engine->ensureBasket().busyUntil = DateValue::fromDateTime(Clock::now()) + testCase.secondsAhead / 86400.0;
        CountingUtility::opened = 0;

        frmSplash::instance().cmdSettings()->click();
        if (testCase.remaining.isEmpty()) {
            EXPECT_TRUE(asked.isEmpty());
        } else {
            ASSERT_EQ(asked.size(), 1);
            EXPECT_EQ(asked.first(), frmSplash::useByQuestion(testCase.remaining.section(u' ', 0, 0).toInt()
                                                              * (testCase.remaining.endsWith(u"minutes") ? 60 : 1)));
        }
        EXPECT_EQ(controller.EngineReady(), !testCase.stopsAndOpens);
        EXPECT_EQ(CountingUtility::opened, testCase.stopsAndOpens ? 1 : 0);
        frmController::unload();
        TestEventLoop::runPending();
    }
}

TEST_F(SplashTest, SettingsWithoutAnEngineOpensTheUtilityAtOnce)
{
    bool asked = false;
    MessageBoxes::setHandler([&](const MessageBoxes::Request&) {
        asked = true;
        return MessageBoxes::Answer::Yes;
    });
    frmSplash::instance().cmdSettings()->click();
    EXPECT_FALSE(asked);
    EXPECT_EQ(CountingUtility::opened, 1);
}

TEST_F(SplashTest, CloseUnloadsTheControllerAndTheScreen)
{
    frmSplash& splash = frmSplash::instance();
    splash.Display(5);
    frmController::instance().Connect(u"API1"_s);
    splash.cmdClose()->click();
    EXPECT_FALSE(frmSplash::isLoaded());
    EXPECT_FALSE(frmController::isLoaded());
    TestEventLoop::runPending();
}

// An engine that grabs the start screen while it waits for the kiosk, and may fail to show it.
class WatchedEngine : public FakeRulesEngine {
public:
    void ShowGUI(const QString& startAt) override
    {
        FakeRulesEngine::ShowGUI(startAt);
        frmSplash& splash = frmSplash::instance();
        busyButtons = splash.cmdStart()->isEnabled() || splash.cmdSettings()->isEnabled()
                      || splash.cmdClose()->isEnabled();
        waitShown = splash.lblWait()->isVisible();
        cogTurning = splash.aniCog()->isPlaying();
        picture = splash.grab().toImage();
        if (fail)
            throw AutomationError(5, u"QuibaRules"_s, u"Invalid procedure call or argument"_s);
    }
    static inline bool busyButtons = true;
    static inline bool waitShown = false;
    static inline bool cogTurning = false;
    static inline bool fail = false;
    static inline QImage picture;
};

TEST_F(SplashTest, StartingTheKioskShowsTheBusyStateAndAFailedStartComesBack)
{
    ComponentRegistry::registerFactory(RulesEngine::kClassId, [] { return std::make_shared<WatchedEngine>(); });
    for (const bool fail : {false, true}) {
        SCOPED_TRACE(fail);
        WatchedEngine::fail = fail;
        frmSplash& splash = frmSplash::instance();
        splash.Display(0);
        splash.cmdStart()->click();

        EXPECT_FALSE(WatchedEngine::busyButtons);
        EXPECT_TRUE(WatchedEngine::waitShown);
        EXPECT_TRUE(WatchedEngine::cogTurning);
        // Done: hidden. Failed: reported, and the screen is usable again.
        EXPECT_EQ(splash.isVisible(), fail);
        EXPECT_EQ(splash.cmdStart()->isEnabled(), fail);
        EXPECT_EQ(splash.lblWait()->isVisible(), false);
        EXPECT_EQ(errorHandler->events.contains(u"record 5 frmSplash.Sub cmdStart_Click"_s), fail);
        frmController::unload();
        TestEventLoop::runPending();
    }
    EXPECT_TRUE(WatchedEngine::picture.save(
        QDir(QCoreApplication::applicationDirPath()).filePath(u"frmSplash-busy.png"_s)));
}

TEST_F(SplashTest, AKioskThatCannotBeCreatedLeavesTheScreenUsable)
{
    FakeRulesEngine::uninstall();
    frmSplash& splash = frmSplash::instance();
    splash.Display(0);
    splash.cmdStart()->click();
    EXPECT_TRUE(errorHandler->events.contains(u"record 429 frmController.Sub StartEngine"_s));
    EXPECT_TRUE(errorHandler->events.contains(u"record 91 frmSplash.Sub cmdStart_Click"_s));
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.cmdStart()->isEnabled());
}

TEST_F(SplashTest, LooksFinishedWhenGrabbed)
{
    frmSplash& splash = frmSplash::instance();
    splash.Display(10);
    tick(splash);
    const QImage picture = splash.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(600, 360));
    // The header band is dark and the body light: the layout was styled, not left bare.
    EXPECT_LT(QColor(picture.pixel(300, 10)).lightness(), 80);
    EXPECT_GT(QColor(picture.pixel(300, 200)).lightness(), 230);
    EXPECT_TRUE(picture.save(QDir(QCoreApplication::applicationDirPath()).filePath(u"frmSplash.png"_s)));
}

} // namespace
