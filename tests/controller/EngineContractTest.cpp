#include "components/BuiltInComponents.h"
#include "components/OfflineHostFactory.h"
#include "components/OfflineRulesEngine.h"
#include "controller/HostFactory.h"
#include "controller/RulesEngine.h"
#include "fakes/FakeHostFactory.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/RecordingHostEvents.h"
#include "platform/ComponentRegistry.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// Writes every engine event as a line; the in/out answers are scripted.
class RecordingEngineSink : public RulesEngineEvents {
public:
    void AddItemFailed(const QString& productID, const QString& message) override
    {
        lines.append(QStringLiteral("AddItemFailed %1 %2").arg(productID, message));
    }
    void BasketCommitted(qint16 numberOfItems) override { lines.append(QStringLiteral("BasketCommitted %1").arg(numberOfItems)); }
    void BasketSuspended(const QString& handle) override { lines.append(QStringLiteral("BasketSuspended ") + handle); }
    void DataMismatch(qint16 index, const Variant&, const QString& message) override
    {
        lines.append(QStringLiteral("DataMismatch %1 %2").arg(index).arg(message));
    }
    void GetData(const QString& name, const QString&, qint32 device, const QString&, Variant& data, bool& cancel) override
    {
        lines.append(QStringLiteral("GetData %1 %2").arg(name).arg(device));
        data = answer;
        cancel = cancelAnswer;
    }
    void ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel) override
    {
        lines.append(QStringLiteral("ItemAdded ") + item->ProductID());
        cancel = cancelAnswer;
    }
    void ItemRemoved(std::shared_ptr<EngineBasketItem>& item) override { lines.append(QStringLiteral("ItemRemoved ") + item->ProductID()); }
    void RefuseInterrupt() override { lines.append(QStringLiteral("RefuseInterrupt")); }
    void ResumeComplete(qint16 numberOfItems) override { lines.append(QStringLiteral("ResumeComplete %1").arg(numberOfItems)); }
    void ResumeFailed(const QString& handle, const QString&) override { lines.append(QStringLiteral("ResumeFailed ") + handle); }
    void SetOLETimeout(qint32 timeout, const QString&, const QString&) override { lines.append(QStringLiteral("SetOLETimeout %1").arg(timeout)); }
    void StartDevice(qint32 device) override { lines.append(QStringLiteral("StartDevice %1").arg(device)); }
    void StopDevice(qint32 device) override { lines.append(QStringLiteral("StopDevice %1").arg(device)); }
    void Surrender(qint32 reason, const QString& message) override { lines.append(QStringLiteral("Surrender %1 %2").arg(reason).arg(message)); }
    void SuspendFailed(const QString& message) override { lines.append(QStringLiteral("SuspendFailed ") + message); }
    void VoucherAvailable(const QString& fileName) override { lines.append(QStringLiteral("VoucherAvailable ") + fileName); }

    QStringList lines;
    Variant answer;
    bool cancelAnswer = false;
};

// Releases the engine it listens to from inside the events that end a request, as the
// controller does when the screen is handed back.
class ReleasingEngineSink : public RecordingEngineSink {
public:
    explicit ReleasingEngineSink(std::shared_ptr<RulesEngine>& engine) : m_engine(engine) {}

    void AddItemFailed(const QString& productID, const QString& message) override
    {
        RecordingEngineSink::AddItemFailed(productID, message);
        m_engine.reset();
    }
    void ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel) override
    {
        RecordingEngineSink::ItemAdded(item, cancel);
        m_engine.reset();
    }
    void Surrender(qint32 reason, const QString& message) override
    {
        RecordingEngineSink::Surrender(reason, message);
        m_engine.reset();
    }

private:
    std::shared_ptr<RulesEngine>& m_engine;
};

// Releases the connection inside its ending event, as the remote command processor does.
class ReleasingHostSink : public RecordingHostEvents {
public:
    explicit ReleasingHostSink(std::shared_ptr<HostConnection>& connection) : m_connection(connection) {}

    void Error(qint32 number, const QString& description) override
    {
        RecordingHostEvents::Error(number, description);
        m_connection.reset();
    }
    void Timeout() override
    {
        RecordingHostEvents::Timeout();
        m_connection.reset();
    }
    void UploadFileComplete(const QString& first, const QString& second) override
    {
        RecordingHostEvents::UploadFileComplete(first, second);
        m_connection.reset();
    }

private:
    std::shared_ptr<HostConnection>& m_connection;
};

TEST(ComponentRegistryTest, CreatesTheBuiltInComponentsByClassNameWithoutRegardToCase)
{
    const struct {
        const char* classId;
        const char* className;
    } cases[] = {
        {"QuibaTrace.ErrorHandler", "ErrorHandler"}, {"quibatrace.logger", "Logger"},
        {"QuibaLexicon.Lexicon", "Lexicon"},         {"QuibaRules.RulesEngine", "RulesEngine"},
        {"QUIBAHOSTS.HOSTFACTORY", "HostFactory"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.classId);
        const ObjectRef object = ComponentRegistry::create(QString::fromLatin1(testCase.classId));
        ASSERT_TRUE(object);
        EXPECT_EQ(object->className(), QString::fromLatin1(testCase.className));
    }
}

TEST(ComponentRegistryTest, UnknownNamesAndWrongInterfacesRaiseTheRuntimesErrors)
{
    const auto numberOf = [](auto&& call) {
        try {
            call();
        } catch (const AutomationError& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf([] { ComponentRegistry::create(QStringLiteral("Nobody.Home")); }), 429);
    EXPECT_EQ(numberOf([] { ComponentRegistry::createAs<RulesEngine>(QStringLiteral("QuibaTrace.Logger")); }), 13);
}

TEST(OfflineRulesEngineTest, HandsTheScreenBackFromTheEventLoop)
{
    auto engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
    RecordingEngineSink sink;
    engine->setEventSink(&sink);
    engine->Initialise(true);
    EXPECT_FALSE(engine->AssignRequired());
    EXPECT_EQ(engine->Basket(), nullptr);

    engine->ShowGUI({});
    EXPECT_TRUE(sink.lines.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.lines, QStringList{QStringLiteral("Surrender 7 No rules engine is installed")});

    engine->AddItem(QStringLiteral("P1"), {Variant()});
    EXPECT_EQ(sink.lines.last(), QStringLiteral("AddItemFailed P1 No rules engine is installed"));
}

TEST(OfflineRulesEngineTest, AReleasedEngineDeliversNothingLater)
{
    RecordingEngineSink sink;
    {
        auto engine = std::make_shared<OfflineRulesEngine>();
        engine->setEventSink(&sink);
        engine->ShowGUI({});
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.lines.isEmpty());
}

TEST(OfflineRulesEngineTest, SurvivesBeingReleasedInsideItsOwnEvents)
{
    std::shared_ptr<RulesEngine> engine = std::make_shared<OfflineRulesEngine>();
    ReleasingEngineSink sink(engine);
    engine->setEventSink(&sink);
    RulesEngine* const caller = engine.get(); // the caller's reference, as the controller holds it
    caller->AddItem(QStringLiteral("P1"), {Variant()});
    EXPECT_EQ(engine, nullptr);

    engine = std::make_shared<OfflineRulesEngine>();
    engine->setEventSink(&sink);
    engine->ShowGUI({});
    engine->ShowGUI({}); // a second hand-back is due when the first releases the engine
    QCoreApplication::processEvents();
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(sink.lines, (QStringList{QStringLiteral("AddItemFailed P1 No rules engine is installed"),
                                       QStringLiteral("Surrender 7 No rules engine is installed")}));
}

TEST(OfflineHostTest, UploadsEndWithAnErrorEvent)
{
    auto factory = ComponentRegistry::createAs<HostFactory>(HostFactory::kClassId);
    auto connection = factory->CreateHost()->Connection(nullptr);
    RecordingHostEvents sink;
    connection->setEventSink(&sink);
    connection->UploadFile(QStringLiteral("/tmp/x.log"), {});
    EXPECT_TRUE(sink.lines.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.lines, QStringList{QStringLiteral("Error 429 No host connection is installed")});
}

TEST(OfflineHostTest, AConnectionReleasedInsideItsEventOrBeforeItRaisesNothingMore)
{
    std::shared_ptr<HostConnection> connection = std::make_shared<OfflineHostConnection>();
    ReleasingHostSink sink(connection);
    connection->setEventSink(&sink);
    connection->UploadFile(QStringLiteral("/tmp/x.log"), {});
    connection->UploadFile(QStringLiteral("/tmp/y.log"), {});
    QCoreApplication::processEvents();
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(sink.lines, QStringList{QStringLiteral("Error 429 No host connection is installed")});
}

class FakeEngineTest : public ::testing::Test {
protected:
    void SetUp() override { FakeRulesEngine::install(); }
    void TearDown() override
    {
        FakeRulesEngine::uninstall();
        BuiltInComponents::registerAll();
    }
};

TEST_F(FakeEngineTest, InOutAnswersOfTheSinkGoBackToTheEngine)
{
    auto engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
    auto fake = FakeRulesEngine::last();
    ASSERT_EQ(engine, fake);
    RecordingEngineSink sink;
    fake->setEventSink(&sink);
    fake->products = {QStringLiteral("PIN10")};

    sink.answer = Variant(u"4111");
    const auto answer = fake->raiseGetData(QStringLiteral("Card"), QStringLiteral("Track2"), 4);
    EXPECT_EQ(answer.data, Variant(u"4111"));
    EXPECT_FALSE(answer.cancel);

    sink.cancelAnswer = true;
    engine->AddItem(QStringLiteral("PIN10"), {Variant()});
    EXPECT_EQ(fake->basket->Count(), 0); // cancelled by the handler
    sink.cancelAnswer = false;
    engine->AddItem(QStringLiteral("PIN10"), {Variant()});
    engine->AddItem(QStringLiteral("UNKNOWN"), {Variant()});
    EXPECT_EQ(fake->basket->Count(), 1);
    engine->Commit();

    EXPECT_EQ(sink.lines, (QStringList{QStringLiteral("GetData Card 4"), QStringLiteral("ItemAdded PIN10"),
                                       QStringLiteral("ItemAdded PIN10"),
                                       QStringLiteral("AddItemFailed UNKNOWN Product not Found"),
                                       QStringLiteral("BasketCommitted 1")}));
    EXPECT_TRUE(fake->basket->IsCommitted());
}

TEST_F(FakeEngineTest, ScriptedFailuresArriveAsAutomationErrors)
{
    auto engine = ComponentRegistry::createAs<RulesEngine>(RulesEngine::kClassId);
    auto fake = FakeRulesEngine::last();
    fake->failures.insert(QStringLiteral("ShowGUI"), RuntimeErrors::error(RuntimeErrors::DeviceIoError));
    EXPECT_THROW(engine->ShowGUI({}), AutomationError);
    EXPECT_EQ(fake->calls, QStringList{QStringLiteral("ShowGUI()")});
}

TEST_F(FakeEngineTest, AddItemTakesTheSovereignsDataInsideAOneElementArray)
{
    auto fake = std::make_shared<FakeRulesEngine>();
    RecordingEngineSink sink;
    fake->setEventSink(&sink);
    fake->products = {QStringLiteral("PIN10")};
    const VariantArray data{Variant(qint32(3)), Variant(u"a\"b"), Variant(VariantArray{Variant(qint32(1))})};

    EXPECT_EQ(fake->AddItem(QStringLiteral("PIN10"), {Variant(data)}), Variant(true));
    EXPECT_EQ(fake->lastAddItemData, data);
    EXPECT_EQ(fake->calls.last(), QStringLiteral("AddItem(PIN10, {3 a\"b {1}})"));
    // Without data from the Sovereign the one element is Empty.
    EXPECT_EQ(fake->AddItem(QStringLiteral("PIN10"), {Variant()}), Variant(true));
    EXPECT_EQ(fake->calls.last(), QStringLiteral("AddItem(PIN10, )"));
    EXPECT_EQ(sink.lines, (QStringList{QStringLiteral("ItemAdded PIN10"), QStringLiteral("ItemAdded PIN10")}));

    const VariantArray wrongShapes[] = {
        {},
        {Variant(u"3")},
        {Variant(data), Variant(data)},
    };
    for (const VariantArray& shape : wrongShapes) {
        SCOPED_TRACE(shape.size());
        EXPECT_EQ(raisedNumber([&] { fake->AddItem(QStringLiteral("PIN10"), shape); }), RuntimeErrors::TypeMismatch);
    }
    EXPECT_EQ(fake->basket->Count(), 2);
}

TEST_F(FakeEngineTest, TheBasketEnumeratesItsItemsInTheEnginesOrder)
{
    FakeEngineBasket basket;
    EXPECT_TRUE(basket.Items().isEmpty());
    basket.addItem(QStringLiteral("A"))->id = 101; // item IDs apart from positions
    basket.addItem(QStringLiteral("B"));
    basket.addItem(QStringLiteral("C"));
    basket.items.removeAt(1);
    basket.addItem(QStringLiteral("D"));

    const QList<std::shared_ptr<EngineBasketItem>> items = basket.Items();
    QStringList products;
    for (const auto& item : items)
        products.append(item->ProductID());
    EXPECT_EQ(products, (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
    // The enumeration and the positions of Item agree.
    for (qsizetype i = 0; i < items.size(); ++i)
        EXPECT_EQ(items.at(i), basket.Item(Variant(qint32(i + 1))));
}

TEST_F(FakeEngineTest, SurvivesBeingReleasedInsideItsOwnEvents)
{
    std::shared_ptr<RulesEngine> engine = std::make_shared<FakeRulesEngine>();
    static_cast<FakeRulesEngine&>(*engine).products = {QStringLiteral("PIN10")};
    ReleasingEngineSink sink(engine);
    sink.cancelAnswer = true;
    engine->setEventSink(&sink);
    RulesEngine* const caller = engine.get();
    EXPECT_EQ(caller->AddItem(QStringLiteral("PIN10"), {Variant()}), Variant(true));
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(sink.lines, QStringList{QStringLiteral("ItemAdded PIN10")});
}

TEST(FakeHostTest, AConnectionReleasedBeforeItsLaterOutcomeRaisesNothing)
{
    RecordingHostEvents sink;
    const FakeHostConnection::Outcome outcomes[] = {FakeHostConnection::Outcome::Complete,
                                                    FakeHostConnection::Outcome::Error,
                                                    FakeHostConnection::Outcome::Timeout};
    for (const auto outcome : outcomes) {
        auto connection = std::make_shared<FakeHostConnection>();
        connection->outcome = outcome;
        connection->deferred = true;
        connection->setEventSink(&sink);
        connection->UploadFile(QStringLiteral("a.log"), {});
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(sink.lines.isEmpty());

    std::shared_ptr<HostConnection> connection = std::make_shared<FakeHostConnection>();
    static_cast<FakeHostConnection&>(*connection).deferred = true;
    ReleasingHostSink releasing(connection);
    connection->setEventSink(&releasing);
    connection->UploadFile(QStringLiteral("a.log"), {});
    connection->UploadFile(QStringLiteral("b.log"), {});
    QCoreApplication::processEvents();
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(releasing.lines, QStringList{QStringLiteral("UploadFileComplete OK ")});
}

TEST(FakeHostTest, UploadOutcomesAreScripted)
{
    FakeHostFactory::install();
    const struct {
        FakeHostConnection::Outcome outcome;
        const char* line;
    } cases[] = {
        {FakeHostConnection::Outcome::Complete, "UploadFileComplete OK "},
        {FakeHostConnection::Outcome::Error, "Error 5 Upload refused"},
        {FakeHostConnection::Outcome::Timeout, "Timeout"},
    };
    for (const auto& testCase : cases) {
        auto connection = ComponentRegistry::createAs<HostFactory>(HostFactory::kClassId)->CreateHost()->Connection(nullptr);
        FakeHostFactory::host()->connection->outcome = testCase.outcome;
        RecordingHostEvents sink;
        connection->setEventSink(&sink);
        connection->UploadFile(QStringLiteral("a.log"), {});
        EXPECT_EQ(sink.lines, QStringList{QString::fromLatin1(testCase.line)});
    }
    FakeHostFactory::uninstall();
    BuiltInComponents::registerAll();
}

} // namespace
