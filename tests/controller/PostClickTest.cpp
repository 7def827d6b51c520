#include "common/TestEventLoop.h"
#include "platform/EventRelay.h"
#include "platform/Form.h"
#include "platform/FormRegistry.h"
#include "support/modTouchTools.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A hidden form with buttons that write their clicks to one log.
class ButtonForm : public Form {
public:
    explicit ButtonForm(const QString& name) : Form(name) {}

    QPushButton* addButton(const QString& name)
    {
        auto* button = new QPushButton(name, this);
        button->setGeometry(0, 0, 80, 20);
        QObject::connect(button, &QPushButton::clicked, [this, name] { clicks.append(name); });
        return button;
    }

    QStringList clicks;
};

TEST(PostClickTest, ClicksRunAfterThePostingCallInPostingOrder)
{
    auto* form = new ButtonForm(u"frmButtons"_s);
    QPushButton* first = form->addButton(u"first"_s);
    QPushButton* second = form->addButton(u"second"_s);

    const auto postSeveral = [&] {
        modTouchTools::PostClick(second);
        modTouchTools::PostClick(first);
        modTouchTools::PostClick(second);
        return form->clicks.size();
    };
    EXPECT_EQ(postSeveral(), 0) << "a click ran inside the posting call";
    TestEventLoop::runPending();
    EXPECT_EQ(form->clicks, (QStringList{u"second"_s, u"first"_s, u"second"_s}));
    form->unload();
    TestEventLoop::runPending();
}

// A click delivered while a relay is under way waits for it; one posted as the relay returns,
// still on its way, comes after it all the same.
TEST(PostClickTest, ClicksHeldByARelayKeepTheirPlaceBeforeLaterOnes)
{
    auto* form = new ButtonForm(u"frmButtons"_s);
    QPushButton* first = form->addButton(u"first"_s);
    QPushButton* second = form->addButton(u"second"_s);
    QPushButton* third = form->addButton(u"third"_s);
    {
        const EventRelay::Scope outer;
        modTouchTools::PostClick(first);
        {
            const EventRelay::Scope inner;
            modTouchTools::PostClick(second);
            TestEventLoop::runPending();
        }
        TestEventLoop::runPending();
        EXPECT_TRUE(form->clicks.isEmpty()) << "a click ran inside a relay";
        modTouchTools::PostClick(third);
    }
    TestEventLoop::runPending();
    EXPECT_EQ(form->clicks, (QStringList{u"first"_s, u"second"_s, u"third"_s}));
    form->unload();
    TestEventLoop::runPending();
}

TEST(PostClickTest, DisabledMissingOrDestroyedControlsReceiveNothing)
{
    auto* form = new ButtonForm(u"frmButtons"_s);
    QPushButton* disabled = form->addButton(u"disabled"_s);
    disabled->setEnabled(false);
    QPointer<QPushButton> destroyed = form->addButton(u"destroyed"_s);

    modTouchTools::PostClick(nullptr);
    modTouchTools::PostClick(disabled);
    modTouchTools::PostClick(destroyed);
    delete destroyed.data();
    TestEventLoop::runPending();
    EXPECT_TRUE(form->clicks.isEmpty());
    form->unload();
    TestEventLoop::runPending();
}

TEST(PostClickTest, LoadedFormsAnswerIsFormLoadedWithoutRegardToCase)
{
    EXPECT_FALSE(modTouchTools::IsFormLoaded(u"frmOne"_s));
    auto* one = new ButtonForm(u"frmOne"_s);
    QPointer<ButtonForm> two = new ButtonForm(u"frmTwo"_s);
    EXPECT_TRUE(modTouchTools::IsFormLoaded(u"FRMONE"_s));
    EXPECT_TRUE(modTouchTools::IsFormLoaded(u"frmtwo"_s));
    EXPECT_EQ(FormRegistry::loadedNames(), (QStringList{u"frmOne"_s, u"frmTwo"_s}));

    two->unload();
    // Out of the list at once, destroyed from the event loop.
    EXPECT_FALSE(modTouchTools::IsFormLoaded(u"frmTwo"_s));
    EXPECT_FALSE(two.isNull());
    TestEventLoop::runPending();
    EXPECT_TRUE(two.isNull());
    EXPECT_EQ(FormRegistry::find(u"frmone"_s), one);
    delete one;
    EXPECT_FALSE(modTouchTools::IsFormLoaded(u"frmOne"_s));
}

TEST(PostClickTest, AFormMayUnloadItselfFromItsOwnClick)
{
    QPointer<ButtonForm> form = new ButtonForm(u"frmSelf"_s);
    QPushButton* close = form->addButton(u"close"_s);
    QObject::connect(close, &QPushButton::clicked, form, [form] {
        form->unload();
        form->clicks.append(u"still here"_s);
    });
    modTouchTools::PostClick(close);
    modTouchTools::PostClick(close); // the second reaches a form that is going
    TestEventLoop::runPending();
    EXPECT_TRUE(form.isNull());
    EXPECT_FALSE(modTouchTools::IsFormLoaded(u"frmSelf"_s));
}

} // namespace
