#include "CustomerScreen.h"
#include "EngineEventLog.h"
#include "SimulatedRoot.h"
#include "SimulatedLog.h"
#include "SimulatedRulesEngine.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class CustomerScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_shared<SimulatedRulesEngine>();
        engine->setEventSink(&events);
        engine->Initialise(false);
        QString message;
        bool force = false;
        engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), SimulatedRoot::goodCode1(),
                        SimulatedRoot::goodCode2(), force);
        engine->ShowGUI({});
        screen = engine->screen();
        screen->resize(1024, 768);
        settle();
    }

    static void settle()
    {
        for (int round = 0; round < 20; ++round) {
            QApplication::processEvents();
            QThread::msleep(2);
        }
    }

    // Grabs the screen into a PNG beside the test program, for people to look at.
    QImage grab(const QString& name) const
    {
        settle();
        const QPixmap pixmap = screen->grab();
        pixmap.save(QApplication::applicationDirPath() + QStringLiteral("/customer-screen-%1.png").arg(name));
        return pixmap.toImage();
    }

    // Every visible button a finger must hit, with its text, when smaller than 64 by 64.
    QStringList smallTargets() const
    {
        QStringList small;
        for (const QPushButton* button : screen->findChildren<QPushButton*>()) {
            if (button->isVisibleTo(screen) && (button->height() < 64 || button->width() < 64))
                small.append(QStringLiteral("%1 %2x%3").arg(button->text()).arg(button->width()).arg(button->height()));
        }
        return small;
    }

    SimulatedRoot root;
    EngineEventLog events;
    std::shared_ptr<SimulatedRulesEngine> engine;
    CustomerScreen* screen = nullptr;
};

TEST_F(CustomerScreenTest, ShowsTheProductsBySupplierWithTheBasketAndItsTotal)
{
    ASSERT_TRUE(screen->chooseProduct(QStringLiteral("TN-20")));
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    ASSERT_TRUE(screen->chooseProduct(QStringLiteral("ST-1M")));
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded"), 2));

    const QImage image = grab(QStringLiteral("products"));
    EXPECT_EQ(image.size(), QSize(1024, 768));
    EXPECT_EQ(smallTargets(), QStringList());
    QStringList texts;
    for (const QLabel* label : screen->findChildren<QLabel*>()) {
        if (label->isVisibleTo(screen))
            texts.append(label->text());
    }
    for (const char* expected : {"TeleNet Mobile", "Streamly", "PlayZone Games", "Your basket", "32.99"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
    int tiles = 0;
    for (const QPushButton* button : screen->findChildren<QPushButton*>())
        tiles += button->objectName() == QLatin1StringView("tile") ? 1 : 0;
    EXPECT_EQ(tiles, 12);
}

TEST_F(CustomerScreenTest, TheKeypadAsksForThePhoneNumberAndShowsAMistake)
{
    ASSERT_TRUE(screen->chooseProduct(QStringLiteral("TN-TOPUP")));
    ASSERT_TRUE(events.waitFor(QStringLiteral("GetData")));
    settle();
    EXPECT_EQ(screen->shownTitle(), QStringLiteral("Enter the phone number to top up"));
    ASSERT_TRUE(screen->pressKeys(QStringLiteral("0412")));
    screen->pressOk();
    ASSERT_TRUE(events.waitFor(QStringLiteral("DataMismatch")));
    ASSERT_TRUE(screen->pressKeys(QStringLiteral("0412 345")) == false);
    ASSERT_TRUE(screen->pressKeys(QStringLiteral("0412345")));
    EXPECT_EQ(screen->enteredText(), QStringLiteral("0412345"));

    const QImage image = grab(QStringLiteral("keypad"));
    EXPECT_EQ(image.size(), QSize(1024, 768));
    EXPECT_EQ(smallTargets(), QStringList());

    ASSERT_TRUE(screen->pressKeys(QStringLiteral("678")));
    screen->pressOk();
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    settle();
    EXPECT_EQ(screen->shownTitle(), QString());
}

TEST_F(CustomerScreenTest, AfterPayingTheCustomerIsThankedAndTheScreenGoesBack)
{
    ASSERT_TRUE(screen->chooseProduct(QStringLiteral("PZ-50")));
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded")));
    settle();
    screen->pressPay();
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(screen->shownTitle(), QStringLiteral("Thank you"));
    EXPECT_FALSE(screen->isVisible());
    grab(QStringLiteral("thank-you"));
    // Nothing can be bought twice from the paid basket.
    EXPECT_FALSE(screen->chooseProduct(QStringLiteral("PZ-50")));
}

} // namespace

namespace {

TEST(SimulatedEngineGUITest, WhereTheWindowSystemPlacesWindowsItselfTheValuesAreKeptAndThatIsLogged)
{
    ASSERT_FALSE(SimulatedEngineGUI::platformPlacesWindows()); // the tests run offscreen
    QStringList lines;
    SimulatedLog::setFunction([&](const QString& text, qint32 severity) { lines.append(QStringLiteral("%1 %2").arg(severity).arg(text)); });
    QWidget window;
    window.resize(640, 480);
    SimulatedEngineGUI gui(QRect(100, 50, 800, 600), true);
    gui.attach(&window, false);
    gui.setLeft(30);
    gui.show();
    SimulatedLog::setFunction({});

    EXPECT_EQ(lines, QStringList{QStringLiteral("2 The window system \"offscreen\" does not let the kiosk window place "
                                                "itself; position, size and top-most are left to it")});
    EXPECT_EQ(window.size(), QSize(640, 480));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(QRect(gui.Left(), gui.Top(), gui.Width(), gui.Height()), QRect(30, 50, 800, 600));
    EXPECT_TRUE(gui.TopMost());
    EXPECT_NE(gui.hwnd(), 0);
    gui.hide();
    EXPECT_EQ(gui.hwnd(), 0);
}

} // namespace
