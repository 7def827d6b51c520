#include "components/BuiltInComponents.h"
#include "components/OfflineHostFactory.h"
#include "components/OfflineRulesEngine.h"
#include "controller/HostFactory.h"
#include "controller/RulesEngine.h"
#include "fakes/FakeHostFactory.h"
#include "fakes/FakeRulesEngine.h"
#include "platform/ComponentRegistry.h"
#include "platform/RuntimeErrors.h"

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

class RecordingHostSink : public HostConnectionEvents {
public:
    void Error(qint32 number, const QString& description) override { lines.append(QStringLiteral("Error %1 %2").arg(number).arg(description)); }
    void Timeout() override { lines.append(QStringLiteral("Timeout")); }
    void UploadFileComplete(const QString& first, const QString& second) override
    {
        lines.append(QStringLiteral("UploadFileComplete %1 %2").arg(first, second));
    }
    QStringList lines;
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

TEST(OfflineHostTest, UploadsEndWithAnErrorEvent)
{
    auto factory = ComponentRegistry::createAs<HostFactory>(HostFactory::kClassId);
    auto connection = factory->CreateHost()->Connection(nullptr);
    RecordingHostSink sink;
    connection->setEventSink(&sink);
    connection->UploadFile(QStringLiteral("/tmp/x.log"), {});
    EXPECT_TRUE(sink.lines.isEmpty());
    QCoreApplication::processEvents();
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
        RecordingHostSink sink;
        connection->setEventSink(&sink);
        connection->UploadFile(QStringLiteral("a.log"), {});
        EXPECT_EQ(sink.lines, QStringList{QString::fromLatin1(testCase.line)});
    }
    FakeHostFactory::uninstall();
    BuiltInComponents::registerAll();
}

} // namespace
