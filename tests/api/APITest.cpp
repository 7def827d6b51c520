#include "api/APIFixture.h"

#include "api/Basket.h"
#include "api/Eftpos.h"
#include "api/IniTextBounds.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "services/QuibaErrors.h"
#include "app/ServiceStartup.h"
#include "services/Trace.h"
#include "platform/ComponentRegistry.h"
#include "platform/SingleInstance.h"
#include "services/Services.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using APITest = APIFixture;

TEST_F(APITest, CreationConnectsStartsTheEngineAndTheEndDisconnects)
{
    TickCount::setSource([] { return qint64(123456); });
    ProcessState::instance().wellBehaved = true;
    API& api = makeAPI();

    EXPECT_EQ(api.identifier(), u"123456"_s);
    EXPECT_EQ(logger->texts().first(), u"Initialising API object"_s);
    EXPECT_TRUE(errorHandler->events.contains(u"enter API.Sub Class_Initialize"_s));
    ASSERT_TRUE(engine);
    EXPECT_TRUE(engine->initialised);
    EXPECT_FALSE(engine->kioskMode);
    EXPECT_EQ(frmController::instance().clientCount(), 1);
    EXPECT_TRUE(api.IsReady());

    // The last client of a well-behaved process takes the engine and the controller with it.
    apis.clear();
    EXPECT_TRUE(errorHandler->events.contains(u"enter API.Sub Class_Terminate"_s));
    EXPECT_FALSE(frmController::isLoaded());
    EXPECT_EQ(engine->calls.mid(engine->calls.size() - 2), (QStringList{u"ClearBasket()"_s, u"HideGUI(False, )"_s}));
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(APITest, TheFirstObjectOfAProcessInitialisesIt)
{
    // An automation start: nothing has initialised the process yet.
    ProcessState::reset();
    if (SingleInstance::claimedBy().isEmpty()) {
        ASSERT_EQ(SingleInstance::claimLockFile(TestEnvironment::root()), SingleInstance::Claim::Owned);
    }
    writeIni("[GENERAL]\r\nwell_behaved=True\r\n");
    ComponentRegistry::registerFactory(ServiceStartup::kErrorHandlerClass, [this] { return errorHandler; });
    ComponentRegistry::registerFactory(ServiceStartup::kLoggerClass, [this] { return logger; });
    makeAPI();

    const ProcessState& state = ProcessState::instance();
    EXPECT_TRUE(state.initialised);
    EXPECT_TRUE(state.wellBehaved);
    const QStringList lines = logger->texts();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.at(1), u"Initialising pcQUIBA, version "_s + state.versionString);
    EXPECT_EQ(lines.at(3), u"Initialising API object"_s);
    EXPECT_TRUE(engine && engine->initialised);
}

TEST_F(APITest, TwoObjectsOfOneMillisecondGetTwoIdentifiersAndEndApart)
{
    TickCount::setSource([] { return qint64(5000); });
    ProcessState::instance().wellBehaved = true;
    API& first = makeAPI();
    API& second = makeAPI();
    EXPECT_EQ(first.identifier(), u"5000"_s);
    EXPECT_EQ(second.identifier(), u"5001"_s);
    EXPECT_EQ(frmController::instance().clientCount(), 2);

    // The first one's end leaves the second one's engine running.
    apis.erase(apis.begin());
    ASSERT_TRUE(frmController::isLoaded());
    EXPECT_EQ(frmController::instance().clientCount(), 1);
    EXPECT_TRUE(second.IsReady());

    // A freed identifier is the smallest free offset again.
    API& third = makeAPI();
    EXPECT_EQ(third.identifier(), u"5000"_s);
}

TEST_F(APITest, TheIdentifierClockIsALongThatWraps)
{
    const struct {
        qint64 milliseconds;
        qint32 tick;
    } cases[] = {
        {0, 0},
        {2147483647, 2147483647},            // 24.8 days
        {2147483648, -2147483647 - 1},       // then negative
        {4294967295, -1},
        {4294967296, 0},                     // 49.7 days: back through 0
        {4294967296 + 1234, 1234},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TickCount::fromMilliseconds(c.milliseconds), c.tick) << c.milliseconds;

    // The identifiers wrap with it: the offset past the largest Long is the smallest.
    TickCount::setSource([] { return qint64(2147483647); });
    API& first = makeAPI();
    API& second = makeAPI();
    EXPECT_EQ(first.identifier(), u"2147483647"_s);
    EXPECT_EQ(second.identifier(), u"-2147483648"_s);

    TickCount::setSource({});
    EXPECT_GE(qint64(TickCount::now()) & 0xFFFFFFFF, 0);
}

// A logger that fails on the object's first line.
class FailingLogger : public RecordingLogger {
public:
    void log(const Variant& text, qint32 severity) override
    {
        if (text.toString() == u"Initialising API object"_s)
            throw AutomationError(61, u"Logger"_s, u"Disk full"_s);
        RecordingLogger::log(text, severity);
    }
};

TEST_F(APITest, AnObjectThatFailsToBeMadeLeavesNoClientBehind)
{
    TickCount::setSource([] { return qint64(900); });
    Services::setLogger(std::make_shared<FailingLogger>());
    const AutomationError error = errorOf([] { API api; });
    Services::setLogger(logger);
    EXPECT_EQ(error.number(), quibaGeneralError);
    EXPECT_EQ(error.source(), u"pcQUIBAAPI"_s);
    EXPECT_EQ(error.description(), u"General Error: Disk full"_s);
    EXPECT_TRUE(!frmController::isLoaded() || frmController::instance().clientCount() == 0);

    // Its identifier is free again.
    EXPECT_EQ(makeAPI().identifier(), u"900"_s);
    EXPECT_EQ(frmController::instance().clientCount(), 1);
}

TEST_F(APITest, AnEngineThatCannotBeMadeLeavesTheObjectNotReady)
{
    ComponentRegistry::registerFactory(RulesEngine::kClassId, []() -> ObjectRef {
        throw AutomationError(429, u"Registry"_s, u"ActiveX component can't create object"_s);
    });
    API& api = makeAPI();
    EXPECT_EQ(frmController::instance().clientCount(), 1);
    EXPECT_FALSE(api.IsReady());
    EXPECT_EQ(errorOf([&] { api.Basket(); }).number(), quibaNotReady);
    EXPECT_EQ(api.Version(), u"VB.01.02.03"_s);
}

TEST_F(APITest, AnEngineWhoseInitialiseFailedIsReleasedAndTheObjectIsNotReady)
{
    std::weak_ptr<FakeRulesEngine> made;
    ComponentRegistry::registerFactory(RulesEngine::kClassId, [&made]() -> ObjectRef {
        auto failing = std::make_shared<FakeRulesEngine>();
        failing->failures.insert(u"Initialise"_s, AutomationError(53, u"Engine"_s, u"File not found: rules.xml"_s));
        made = failing;
        return failing;
    });
    frmController::instance().advise(&listener);
    API& api = makeAPI();

    ASSERT_TRUE(made.lock() == nullptr) << "the engine that failed to start is still held";
    EXPECT_FALSE(frmController::instance().EngineReady());
    EXPECT_FALSE(api.IsReady());
    // Its own not-ready answer, not one about a basket that never came.
    const AutomationError error = errorOf([&] { api.Basket(); });
    EXPECT_EQ(error.number(), quibaNotReady);
    EXPECT_EQ(error.description(), u"pcQUBIA is Not Ready"_s);
    // The reason is in the log at severity 4 and with the error handler (error.log).
    const auto line = std::find_if(logger->lines.begin(), logger->lines.end(), [](const RecordingLogger::Line& logged) {
        return logged.text == u"Engine not started: File not found: rules.xml"_s;
    });
    ASSERT_NE(line, logger->lines.end());
    EXPECT_EQ(line->severity, 4);
    EXPECT_TRUE(errorHandler->events.contains(u"record 53 frmController.Sub StartEngine"_s))
        << errorHandler->events.join(u" | "_s).toStdString();
    // No Ready event for an engine that did not start.
    EXPECT_FALSE(listener.events.contains(u"Ready()"_s)) << listener.events.join(u" | "_s).toStdString();
}

TEST_F(APITest, WhileTheEngineIsStoppedEveryReadyCheckedMemberRefuses)
{
    API& api = readyAPI();
    frmController::instance().StopEngine();
    clearRecords();

    std::optional<QString> text = u"x"_s;
    std::optional<bool> force;
    VariantArray arguments{Variant(u"a"_s)};
    const std::pair<const char*, std::function<void()>> members[] = {
        {"IsBusy", [&] { api.IsBusy(); }},
        {"POSDeviceID get", [&] { api.POSDeviceID(); }},
        {"POSDeviceID let", [&] { api.setPOSDeviceID(u"D"_s); }},
        {"POSOperatorID get", [&] { api.POSOperatorID(); }},
        {"POSOperatorID let", [&] { api.setPOSOperatorID(u"O"_s); }},
        {"POSReferenceID get", [&] { api.POSReferenceID(); }},
        {"POSReferenceID let", [&] { api.setPOSReferenceID(u"R"_s); }},
        {"SimpleProduct", [&] { api.SimpleProduct(u"P"_s); }},
        {"SovereignName get", [&] { api.SovereignName(); }},
        {"SovereignName let", [&] { api.setSovereignName(u"S"_s); }},
        {"SovereignVersion get", [&] { api.SovereignVersion(); }},
        {"SovereignVersion let", [&] { api.setSovereignVersion(u"V"_s); }},
        {"TrainingMode get", [&] { api.TrainingMode(); }},
        {"TrainingMode let", [&] { api.setTrainingMode(true); }},
        {"UserInterface", [&] { api.UserInterface(); }},
        {"Basket", [&] { api.Basket(); }},
        {"Journal", [&] { api.Journal(); }},
        {"Settings", [&] { api.Settings(); }},
        {"InjectData", [&] { api.InjectData(Variant(u"1234"_s), 1); }},
        {"IsAssigned", [&] { api.IsAssigned(); }},
        {"Eftpos", [&] { api.Eftpos(); }},
        {"Assign1", [&] { api.Assign1(text, text, text, force); }},
        {"Assign2", [&] { api.Assign2(arguments); }},
        {"Assign3", [&] { api.Assign3(); }},
        {"Assign4", [&] { api.Assign4(arguments); }},
        {"ProductSupplier", [&] { api.ProductSupplier(u"P"_s); }},
    };
    for (const auto& [name, call] : members) {
        const AutomationError error = errorOf(call);
        EXPECT_EQ(error.number(), quibaNotReady) << name;
        EXPECT_EQ(error.source(), u"pcQUIBAAPI"_s) << name;
        EXPECT_EQ(error.description(), u"pcQUBIA is Not Ready"_s) << name;
    }
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
    // No result line is written for a refusal.
    for (const QString& line : logger->texts())
        EXPECT_FALSE(line.startsWith(u" --> "_s)) << line.toStdString();

    // These need no engine.
    EXPECT_FALSE(api.IsReady());
    EXPECT_EQ(api.Version(), u"VB.01.02.03"_s);
    api.setWellBehaved(true);
    EXPECT_TRUE(api.WellBehaved());
    api.setSovereignHWnd(77);
    EXPECT_EQ(api.SovereignHWnd(), 77);
    api.setPOSInfo(u"Till"_s, u"4"_s);
    EXPECT_EQ(api.POSInfo(u"till"_s), u"4"_s);
    api.InjectCancel(true);
}

TEST_F(APITest, MembersWithTheAssignCheckRefuseAnUnassignedTerminal)
{
    API& api = readyAPI();
    engine->assignRequired = true;
    const std::pair<const char*, std::function<void()>> members[] = {
        {"TrainingMode get", [&] { api.TrainingMode(); }},
        {"TrainingMode let", [&] { api.setTrainingMode(true); }},
        {"UserInterface", [&] { api.UserInterface(); }},
        {"Basket", [&] { api.Basket(); }},
        {"Journal", [&] { api.Journal(); }},
        {"Settings", [&] { api.Settings(); }},
        {"InjectData", [&] { api.InjectData(Variant(u"1234"_s), 1); }},
    };
    for (const auto& [name, call] : members)
        EXPECT_EQ(errorOf(call).number(), quibaAssignRequired) << name;

    EXPECT_FALSE(api.IsAssigned());
    EXPECT_NE(api.Eftpos(), nullptr);
    EXPECT_EQ(api.SovereignName(), QString());
}

TEST_F(APITest, PropertyLinesAndTrimmedIdentity)
{
    API& api = readyAPI();
    api.setPOSDeviceID(u"  Till 4  "_s);
    api.setSovereignName(u" Shop "_s);
    EXPECT_EQ(engine->posDeviceID, u"Till 4"_s);
    EXPECT_EQ(api.POSDeviceID(), u"Till 4"_s);
    EXPECT_EQ(api.SovereignName(), u"Shop"_s);
    EXPECT_TRUE(api.IsReady());

    EXPECT_EQ(traceLines(), (QStringList{
                                u"SET: API.POSDeviceID = Till 4"_s,
                                u"SET: API.SovereignName = Shop"_s,
                                u"GET: API.POSDeviceID"_s,
                                u" --> Till 4"_s,
                                u"GET: API.SovereignName "_s,
                                u" --> Shop"_s,
                                u"GET: API.IsReady"_s,
                                u" --> True"_s,
                            }));
    // One frame per member.
    EXPECT_EQ(errorHandler->events.filter(u"enter API."_s).size(), 5);
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(APITest, ProductQueriesTrimAndRefuseABlankProduct)
{
    API& api = readyAPI();
    engine->products = {u"P1"_s};
    engine->suppliers.insert(u"P1"_s, u"Acme"_s);
    EXPECT_TRUE(api.SimpleProduct(u" P1 "_s));
    EXPECT_EQ(api.ProductSupplier(u"P1"_s), u"Acme"_s);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: API.SimpleProduct( P1 )"_s, u" --> True"_s,
                                         u"CALL: API.ProductSupplier(P1)"_s, u" --> Acme"_s}));

    for (const QString& blank : {QString(), u"   "_s}) {
        const AutomationError error = errorOf([&] { api.SimpleProduct(blank); });
        EXPECT_EQ(error.number(), quibaInvalidArgument);
        EXPECT_EQ(error.description(), u"Missing or Invalid Argument: ProductID"_s);
        EXPECT_EQ(errorOf([&] { api.ProductSupplier(blank); }).number(), quibaInvalidArgument);
    }
}

TEST_F(APITest, POSInfoKeepsFactsUnderOneLowerCaseKey)
{
    API& api = readyAPI();
    api.setPOSInfo(u"_Till"_s, u"Front desk"_s);
    EXPECT_EQ(api.POSInfo(u"till"_s), u"Front desk"_s);
    EXPECT_EQ(api.POSInfo(u" TILL "_s), u"Front desk"_s);
    EXPECT_EQ(ProcessState::instance().ini->GetString(u"INFO"_s, u"till"_s), u"Front desk"_s);
    EXPECT_EQ(api.POSInfo(u"absent"_s), QString());

    // A blank name does nothing and writes nothing.
    api.setPOSInfo(u"  "_s, u"x"_s);
    EXPECT_EQ(api.POSInfo(QString()), QString());
    EXPECT_EQ(traceLines(), (QStringList{u"SET: API.POSInfo(till) = Front desk"_s, u"GET: API.POSInfo(till)"_s,
                                         u" --> Front desk"_s, u"GET: API.POSInfo(till)"_s, u" --> Front desk"_s,
                                         u"GET: API.POSInfo(absent)"_s, u" --> "_s}));
}

TEST_F(APITest, EachObjectHandsOutItsOwnSaleObjectsOnce)
{
    API& first = readyAPI();
    API& second = makeAPI();
    EXPECT_EQ(first.Basket(), first.Basket());
    EXPECT_NE(first.Basket(), second.Basket());
    EXPECT_EQ(first.UserInterface(), first.UserInterface());
    EXPECT_EQ(first.Journal(), first.Journal());
    EXPECT_EQ(first.Settings(), first.Settings());
    EXPECT_EQ(first.Eftpos(), first.Eftpos());
    EXPECT_NE(first.Eftpos(), second.Eftpos());

    clearRecords();
    first.Basket();
    EXPECT_EQ(traceLines(), QStringList{u"CALL: API.Basket()"_s});
}

TEST_F(APITest, TrainingModeChangesOnlyWithAnEmptyBasket)
{
    API& api = readyAPI();
    api.setTrainingMode(true);
    EXPECT_TRUE(engine->trainingMode);
    EXPECT_TRUE(api.TrainingMode());

    basket().addItem(u"P1"_s);
    const AutomationError error = errorOf([&] { api.setTrainingMode(false); });
    EXPECT_EQ(error.number(), quibaBasketNotEmpty);
    EXPECT_EQ(error.description(), u"Basket is not Empty"_s);
    EXPECT_EQ(error.helpFile(), u"Cannot modify TrainingMode"_s);
    EXPECT_TRUE(engine->trainingMode);

    // No basket at all holds no items.
    engine->basket.reset();
    api.setTrainingMode(false);
    EXPECT_FALSE(engine->trainingMode);
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(APITest, AnUnexpectedFailureIsAGeneralError)
{
    API& api = readyAPI();
    engine->failures.insert(u"IsBusy"_s, AutomationError(70, u"Engine"_s, u"Permission denied"_s));
    const AutomationError error = errorOf([&] { api.IsBusy(); });
    EXPECT_EQ(error.number(), quibaGeneralError);
    EXPECT_EQ(error.source(), u"pcQUIBAAPI"_s);
    EXPECT_EQ(error.description(), u"General Error: Permission denied"_s);
}

TEST_F(APITest, InjectDataWithAnArrayOrAnObjectIsATypeMismatchThroughTheErrorExit)
{
    API& api = readyAPI();
    const std::pair<const char*, Variant> cases[] = {
        {"array", Variant(VariantArray{Variant(u"1234"_s)})},
        {"object", Variant(ObjectRef(engine->basket))},
    };
    for (const auto& [name, data] : cases) {
        errorHandler->events.clear();
        const AutomationError error = errorOf([&] { api.InjectData(data, 1); });
        EXPECT_EQ(error.number(), quibaGeneralError) << name;
        EXPECT_EQ(error.source(), u"pcQUIBAAPI"_s) << name;
        EXPECT_EQ(error.description(), u"General Error: Type mismatch"_s) << name;
        EXPECT_TRUE(errorHandler->events.contains(u"record 13 API.Sub InjectData"_s)) << errorHandler->events.join(u" | "_s).toStdString();
    }
    EXPECT_TRUE(engine->injectedData.isEmpty());
}

TEST_F(APITest, LongValuesAreLoggedAsAMarkedPrefixAndPOSInfoKeepsWhatAReadGivesBack)
{
    API& api = readyAPI();
    const QString huge(65536, u'7');
    errorOf([&] { api.InjectData(Variant(huge), 1); });
    const QString call = traceLines().value(0);
    EXPECT_EQ(call, u"CALL: API.InjectData("_s + huge.left(Trace::kValueLimit) + u" [... 65536 characters])"_s);

    api.setPOSInfo(u"till"_s, QString(IniTextBounds::kValueLimit, u'v'));
    EXPECT_EQ(api.POSInfo(u"till"_s).size(), IniTextBounds::kValueLimit);
    clearRecords();
    const struct {
        QString name;
        QString value;
        QString refused;
    } cases[] = {
        {u"till"_s, huge, u"Value"_s},
        {QString(IniTextBounds::kNameLimit + 1, u'n'), u"x"_s, u"Name"_s},
    };
    for (const auto& c : cases) {
        const AutomationError error = errorOf([&] { api.setPOSInfo(c.name, c.value); });
        EXPECT_EQ(error.number(), quibaInvalidArgument);
        EXPECT_EQ(error.description(), u"Missing or Invalid Argument: "_s + c.refused);
    }
    // The whole line is bounded too, and the refused texts were never written.
    for (const QString& line : logger->texts())
        EXPECT_LE(line.size(), Trace::kLineLimit + 30) << line.left(80).toStdString();
    EXPECT_TRUE(traceLines().value(0).endsWith(u" [... "_s + QString::number(u"SET: API.POSInfo(till) = "_s.size() + huge.size()) + u" characters]"_s));
    EXPECT_EQ(ProcessState::instance().ini->GetString(u"INFO"_s, u"till"_s), QString(IniTextBounds::kValueLimit, u'v'));
    EXPECT_FALSE(ProcessState::instance().ini->KeyExists(u"INFO"_s, cases[1].name.toLower()));
}

} // namespace
