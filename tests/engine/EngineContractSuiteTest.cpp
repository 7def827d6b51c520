// One suite for the rules engine contract, run against the test fake and against the simulated
// engine loaded as the shipped plugin, so that the fake cannot drift from what an engine does.
// Events may come inside the call or later from the event loop; the suite allows both.

#include "EngineEventLog.h"
#include "SimulatedRoot.h"
#include "components/BuiltInComponents.h"
#include "controller/RulesEngine.h"
#include "fakes/FakeRulesEngine.h"
#include "platform/ComponentPluginLoader.h"
#include "platform/ComponentRegistry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Makes engines of one kind and knows what they sell.
class EngineDriver {
public:
    virtual ~EngineDriver() = default;
    virtual std::shared_ptr<RulesEngine> create(bool assigned) = 0;
    // Makes the engine refuse the next assignment, where that needs telling.
    virtual void refuseNextAssignment(RulesEngine& engine) = 0;
    virtual QString simpleProduct() const = 0;
    virtual QString otherSimpleProduct() const = 0;
};

class FakeDriver : public EngineDriver {
public:
    FakeDriver() { FakeRulesEngine::install(); }
    ~FakeDriver() override { BuiltInComponents::registerAll(); }

    std::shared_ptr<RulesEngine> create(bool assigned) override
    {
        auto engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
        auto* fake = dynamic_cast<FakeRulesEngine*>(engine.get());
        fake->products = {simpleProduct(), otherSimpleProduct()};
        fake->suppliers = {{simpleProduct(), QStringLiteral("Supplier A")}, {otherSimpleProduct(), QStringLiteral("Supplier B")}};
        fake->assignRequired = !assigned;
        return engine;
    }
    void refuseNextAssignment(RulesEngine& engine) override
    {
        auto& fake = dynamic_cast<FakeRulesEngine&>(engine);
        fake.assignResult = false;
        fake.assignMessage = QStringLiteral("Refused");
    }
    QString simpleProduct() const override { return QStringLiteral("P1"); }
    QString otherSimpleProduct() const override { return QStringLiteral("P2"); }
};

class SimulatedDriver : public EngineDriver {
public:
    SimulatedDriver()
    {
        const QString plugin = QStringLiteral(PCQUIBA_COMPONENTS_DIR "/libquiba_simulated.so");
        loaded = ComponentPluginLoader::loadFile(plugin);
        ComponentPluginLoader::takeMessages();
    }
    ~SimulatedDriver() override { BuiltInComponents::registerAll(); }

    std::shared_ptr<RulesEngine> create(bool assigned) override
    {
        auto engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
        if (assigned) {
            QString message;
            bool force = false;
            engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), SimulatedRoot::goodCode1(),
                            SimulatedRoot::goodCode2(), force);
        }
        return engine;
    }
    void refuseNextAssignment(RulesEngine&) override {}
    QString simpleProduct() const override { return QStringLiteral("TN-10"); }
    QString otherSimpleProduct() const override { return QStringLiteral("PZ-25"); }

    bool loaded = false;
};

using DriverMaker = std::function<std::unique_ptr<EngineDriver>()>;

struct EngineKind {
    const char* name;
    DriverMaker make;
};

class EngineContractSuite : public ::testing::TestWithParam<EngineKind> {
protected:
    void SetUp() override
    {
        driver = GetParam().make();
        if (auto* simulated = dynamic_cast<SimulatedDriver*>(driver.get())) {
            ASSERT_TRUE(simulated->loaded) << "the simulated engine plugin did not load";
        }
    }

    std::shared_ptr<RulesEngine> ready(bool assigned = true)
    {
        auto engine = driver->create(assigned);
        engine->setEventSink(&events);
        engine->Initialise(false);
        return engine;
    }

    // Lets events that are on their way arrive.
    static void settle()
    {
        for (int round = 0; round < 20; ++round) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
    }

    std::shared_ptr<EngineBasketItem> added(RulesEngine& engine, const QString& product)
    {
        const qsizetype before = events.starting(QStringLiteral("ItemAdded")).size();
        engine.AddItem(product, {Variant()});
        if (!events.waitFor(QStringLiteral("ItemAdded"), before + 1))
            return nullptr;
        settle();
        return events.lastAdded;
    }

    SimulatedRoot root;
    std::unique_ptr<EngineDriver> driver;
    EngineEventLog events;
};

TEST_P(EngineContractSuite, ValuesTheSovereignSetsReadBackUnchanged)
{
    auto engine = ready();
    const QString text = QStringLiteral("  Mixed \"text\" \u00e9 ");
    engine->setTrainingMode(true);
    engine->setSovereignName(text);
    engine->setSovereignVersion(QStringLiteral("1.2.3"));
    engine->setPOSDeviceID(QStringLiteral("TILL-7"));
    engine->setPOSOperatorID(QString());
    engine->setPOSReferenceID(QStringLiteral("REF-42"));
    EXPECT_TRUE(engine->TrainingMode());
    EXPECT_EQ(engine->SovereignName(), text);
    EXPECT_EQ(engine->SovereignVersion(), QStringLiteral("1.2.3"));
    EXPECT_EQ(engine->POSDeviceID(), QStringLiteral("TILL-7"));
    EXPECT_EQ(engine->POSOperatorID(), QString());
    EXPECT_EQ(engine->POSReferenceID(), QStringLiteral("REF-42"));

    auto gui = engine->GUI();
    ASSERT_TRUE(gui);
    gui->setLeft(10);
    gui->setTop(20);
    gui->setWidth(800);
    gui->setHeight(600);
    gui->setTopMost(true);
    EXPECT_EQ(gui->Left(), 10);
    EXPECT_EQ(gui->Top(), 20);
    EXPECT_EQ(gui->Width(), 800);
    EXPECT_EQ(gui->Height(), 600);
    EXPECT_TRUE(gui->TopMost());
}

TEST_P(EngineContractSuite, AssignmentIsRequiredUntilAnAssignSucceeds)
{
    auto engine = ready(false);
    EXPECT_TRUE(engine->AssignRequired());

    driver->refuseNextAssignment(*engine);
    QString message;
    bool force = false;
    EXPECT_FALSE(engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), QStringLiteral("000000x"), {}, force));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_TRUE(engine->AssignRequired());

    auto engine2 = ready(false);
    message.clear();
    const VariantArray sovereignArguments{Variant(QStringLiteral("KIOSK-1")), Variant(SimulatedRoot::goodCode1()),
                                          Variant(SimulatedRoot::goodCode2())};
    EXPECT_TRUE(engine2->Assign4(message, nullptr, VariantArray{Variant(sovereignArguments)}));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_FALSE(engine2->AssignRequired());
}

TEST_P(EngineContractSuite, AKnownProductIsAddedAndTheBasketShowsIt)
{
    auto engine = ready();
    EXPECT_TRUE(engine->SimpleProduct(driver->simpleProduct()));
    EXPECT_FALSE(engine->ProductSupplier(driver->simpleProduct()).isEmpty());

    auto item = added(*engine, driver->simpleProduct());
    ASSERT_TRUE(item);
    EXPECT_EQ(events.starting(QStringLiteral("ItemAdded")), QStringList{QStringLiteral("ItemAdded ") + driver->simpleProduct()});
    EXPECT_TRUE(events.starting(QStringLiteral("AddItemFailed")).isEmpty());

    auto second = added(*engine, driver->otherSimpleProduct());
    ASSERT_TRUE(second);
    auto basket = engine->Basket();
    ASSERT_TRUE(basket);
    EXPECT_EQ(basket->Count(), 2);
    EXPECT_TRUE(basket->Exists(Variant(item->ID())));
    EXPECT_EQ(basket->Item(Variant(second->ID()))->ProductID(), driver->otherSimpleProduct());
    EXPECT_EQ(basket->TotalPrice(), item->Value() * item->Quantity() + second->Value() * second->Quantity());
    const auto items = basket->Items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items.at(0)->ID(), item->ID());
    EXPECT_EQ(items.at(1)->ID(), second->ID());
    EXPECT_FALSE(basket->IsCommitted());
}

TEST_P(EngineContractSuite, AnUnknownProductFailsWithItsIdAndAddsNothing)
{
    auto engine = ready();
    EXPECT_FALSE(engine->SimpleProduct(QStringLiteral("NO-SUCH")));
    EXPECT_EQ(engine->ProductSupplier(QStringLiteral("NO-SUCH")), QString());
    engine->AddItem(QStringLiteral("NO-SUCH"), {Variant()});
    ASSERT_TRUE(events.waitFor(QStringLiteral("AddItemFailed")));
    settle();
    const QStringList failures = events.starting(QStringLiteral("AddItemFailed NO-SUCH "));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_GT(failures.first().size(), QStringLiteral("AddItemFailed NO-SUCH ").size());
    EXPECT_TRUE(events.starting(QStringLiteral("ItemAdded")).isEmpty());
    EXPECT_TRUE(!engine->Basket() || engine->Basket()->Count() == 0);
}

TEST_P(EngineContractSuite, AnItemTheSovereignCancelsLeavesTheBasket)
{
    auto engine = ready();
    events.cancelItemAdded = true;
    ASSERT_TRUE(added(*engine, driver->simpleProduct()));
    EXPECT_TRUE(!engine->Basket() || engine->Basket()->Count() == 0);
}

TEST_P(EngineContractSuite, RemoveItemTakesTheItemOutAndSaysSo)
{
    auto engine = ready();
    auto item = added(*engine, driver->simpleProduct());
    ASSERT_TRUE(item);
    EXPECT_FALSE(engine->RemoveItem(Variant(QStringLiteral("999"))).toBool());
    EXPECT_TRUE(engine->RemoveItem(Variant(item->ID())).toBool());
    ASSERT_TRUE(events.waitFor(QStringLiteral("ItemRemoved")));
    EXPECT_EQ(events.starting(QStringLiteral("ItemRemoved")), QStringList{QStringLiteral("ItemRemoved ") + driver->simpleProduct()});
    EXPECT_EQ(engine->Basket()->Count(), 0);
}

TEST_P(EngineContractSuite, CommitReleasesEveryListedDocumentBeforeSayingHowManyItems)
{
    auto engine = ready();
    ASSERT_TRUE(added(*engine, driver->simpleProduct()));
    ASSERT_TRUE(added(*engine, driver->otherSimpleProduct()));
    engine->Commit();
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    EXPECT_EQ(events.starting(QStringLiteral("BasketCommitted")), QStringList{QStringLiteral("BasketCommitted 2")});
    // Every VoucherAvailable comes before BasketCommitted.
    EXPECT_EQ(events.lines.lastIndexOf(QStringLiteral("VoucherAvailable")) < events.lines.indexOf(QStringLiteral("BasketCommitted 2")),
              true);
    auto basket = engine->Basket();
    ASSERT_TRUE(basket);
    EXPECT_TRUE(basket->IsCommitted());
    const auto documents = basket->DocumentList();
    EXPECT_EQ(documents->count(), events.vouchers.size());
    for (const Variant& document : documents->items()) {
        SCOPED_TRACE(document.toString().toStdString());
        EXPECT_TRUE(QFileInfo::exists(document.toString()));
        EXPECT_TRUE(basket->DocumentReleased(document.toString()));
        EXPECT_TRUE(events.vouchers.contains(document.toString()));
    }
    EXPECT_FALSE(basket->DocumentReleased(root.path(QStringLiteral("not-a-voucher.xml"))));
}

TEST_P(EngineContractSuite, ClearBasketAbandonsTheSale)
{
    auto engine = ready();
    ASSERT_TRUE(added(*engine, driver->simpleProduct()));
    engine->ClearBasket();
    EXPECT_TRUE(!engine->Basket() || engine->Basket()->Count() == 0);
}

TEST_P(EngineContractSuite, NoEventReachesARemovedSinkOrComesFromAReleasedEngine)
{
    {
        auto engine = ready();
        engine->AddItem(driver->simpleProduct(), {Variant()});
        engine->AddItem(QStringLiteral("NO-SUCH"), {Variant()});
        engine->ShowGUI({});
        engine->HideGUI(true, QStringLiteral("Stop"));
    }
    const qsizetype afterRelease = events.lines.size();
    settle();
    EXPECT_EQ(events.lines.size(), afterRelease);

    auto engine = ready();
    settle();
    engine->AddItem(driver->simpleProduct(), {Variant()});
    const qsizetype afterCall = events.lines.size();
    engine->setEventSink(nullptr);
    settle();
    EXPECT_EQ(events.lines.size(), afterCall);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineContractSuite,
                         ::testing::Values(EngineKind{"Fake", [] { return std::make_unique<FakeDriver>(); }},
                                           EngineKind{"Simulated", [] { return std::make_unique<SimulatedDriver>(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
