#include "api/APIFixture.h"

#include "services/QuibaErrors.h"
#include "platform/ComponentRegistry.h"
#include "platform/Dictionary.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// An engine that writes Force back, as the engine's by-reference argument allows.
class ForcingEngine : public FakeRulesEngine {
public:
    bool Assign1(QString& message, const ObjectRef& collection, const QString& unused, const QString& hardwareID,
                 const QString& assignCode1, const QString& assignCode2, bool& force) override
    {
        const bool assigned =
            FakeRulesEngine::Assign1(message, collection, unused, hardwareID, assignCode1, assignCode2, force);
        force = !force;
        return assigned;
    }
};

class APIAssignTest : public APIFixture {
protected:
    // Templates of two arguments for the hardware id and one each for the codes.
    static constexpr const char* kTemplates = "[HARDWARE_ID]\r\n"
                                              "shop=SHOP- \r\n"
                                              "till=()\r\n"
                                              "serial=(0000)\r\n"
                                              "[ASSIGN_CODE_1]\r\n"
                                              "code=\r\n"
                                              "[ASSIGN_CODE_2]\r\n"
                                              "pin=()\r\n";
};

TEST_F(APIAssignTest, Assign1TrimsTheCallersValuesAndReturnsForce)
{
    ComponentRegistry::registerFactory(RulesEngine::kClassId, [] { return std::make_shared<ForcingEngine>(); });
    API& api = makeAPI();
    auto forcing = std::dynamic_pointer_cast<ForcingEngine>(frmController::instance().Engine());
    ASSERT_TRUE(forcing);
    clearRecords();
    forcing->calls.clear();

    std::optional<QString> hardwareID = u"  HW \"1\"  "_s;
    std::optional<QString> code1 = u" C1"_s;
    std::optional<QString> code2;
    std::optional<bool> force = false;
    EXPECT_EQ(api.Assign1(hardwareID, code1, code2, force), u"OK: Assigned"_s);
    EXPECT_EQ(hardwareID, u"HW \"1\""_s);
    EXPECT_EQ(code1, u"C1"_s);
    EXPECT_FALSE(code2.has_value());
    EXPECT_EQ(force, true);
    EXPECT_EQ(forcing->calls, QStringList{u"Assign1(HW \"1\", C1, , False)"_s});
    // The result is not written.
    EXPECT_EQ(traceLines(), QStringList{u"CALL: API.Assign1(\"HW \"\"1\"\"\", \"C1\", \"\", False)"_s});

    forcing->assignResult = false;
    forcing->assignMessage = u"Unknown terminal"_s;
    std::optional<bool> omitted;
    EXPECT_EQ(api.Assign1(hardwareID, code1, code2, omitted), u"FAILED: Unknown terminal"_s);
    EXPECT_FALSE(omitted.has_value());
}

TEST_F(APIAssignTest, Assign2ComposesTheValuesFromTheTemplates)
{
    writeIni(kTemplates);
    API& api = readyAPI();
    const struct {
        const char* name;
        VariantArray arguments;
        QString result;
        QString engineCall;
    } cases[] = {
        {"exact arguments, Force False",
         {Variant(u" T1 "_s), Variant(qint32(7)), Variant(u"ab"_s), Variant(u"99"_s)},
         u"OK: Assigned"_s, u"Assign1(SHOP-T10007, ab, 99, False)"_s},
        {"one more, YES is True",
         {Variant(u"T1"_s), Variant(qint32(7)), Variant(u"ab"_s), Variant(u"99"_s), Variant(u" yes "_s)},
         u"OK: Assigned"_s, u"Assign1(SHOP-T10007, ab, 99, True)"_s},
        {"one more, a number is True",
         {Variant(u"T1"_s), Variant(qint32(7)), Variant(u"ab"_s), Variant(u"99"_s), Variant(qint16(2))},
         u"OK: Assigned"_s, u"Assign1(SHOP-T10007, ab, 99, True)"_s},
        {"nested arrays count as their elements",
         {Variant(VariantArray{Variant(u"T1"_s), Variant(qint32(7))}), Variant(VariantArray{Variant(u"ab"_s)}),
          Variant(u"99"_s)},
         u"OK: Assigned"_s, u"Assign1(SHOP-T10007, ab, 99, False)"_s},
        {"second part of the hardware id missing", {Variant(u"T1"_s)},
         u"FAILED: Incomplete HardwareID  (serial is missing)"_s, QString()},
        {"no arguments at all", {}, u"FAILED: Incomplete HardwareID  (till is missing)"_s, QString()},
        {"code missing", {Variant(u"T1"_s), Variant(qint32(7)), Variant(u"ab"_s)},
         u"FAILED: Incomplete AssignCode2  (pin is missing)"_s, QString()},
        {"blank code", {Variant(u"T1"_s), Variant(qint32(7)), Variant(u"   "_s), Variant(u"99"_s)},
         u"FAILED: Missing AssignCode1"_s, QString()},
    };
    for (const auto& c : cases) {
        engine->calls.clear();
        VariantArray arguments = c.arguments;
        EXPECT_EQ(api.Assign2(arguments), c.result) << c.name;
        const QStringList engineCalls = c.engineCall.isEmpty() ? QStringList() : QStringList{c.engineCall};
        EXPECT_EQ(engine->calls.filter(u"Assign1"_s), engineCalls)
            << c.name;
    }
}

TEST_F(APIAssignTest, Assign2WritesItsArgumentsQuoted)
{
    writeIni(kTemplates);
    API& api = readyAPI();
    VariantArray arguments{Variant(u"say \"hi\""_s), Variant(qint32(7)), Variant(u""_s)};
    api.Assign2(arguments);
    EXPECT_EQ(traceLines(), QStringList{u"CALL: API.Assign2(\"say \"\"hi\"\"\", \"7\", \"\")"_s});
}

TEST_F(APIAssignTest, Assign2WithoutTemplatesReportsTheMissingValue)
{
    API& api = readyAPI();
    VariantArray arguments{Variant(u"a"_s)};
    EXPECT_EQ(api.Assign2(arguments), u"FAILED: Missing HardwareID"_s);
    EXPECT_TRUE(engine->calls.filter(u"Assign1"_s).isEmpty());
}

TEST_F(APIAssignTest, Assign2ArgumentsOfTheWrongShapeNeverBreakIt)
{
    writeIni(kTemplates);
    API& api = readyAPI();
    const Variant object(ObjectRef(std::make_shared<Dictionary>()));
    const Variant text(u"a"_s);
    // An object anywhere has no text for the call line: an unexpected error, before the engine
    // is asked. Null and text under a number pattern are taken as the runtime takes them.
    const struct {
        const char* name;
        VariantArray arguments;
        QString result; // empty: a general error
        QString engineCall;
    } cases[] = {
        {"object as text", {object, Variant(qint32(7)), text, text}, QString(), QString()},
        {"object under a pattern", {text, object, text, text}, QString(), QString()},
        {"object as Force", {text, Variant(qint32(7)), text, text, object}, QString(), QString()},
        {"Null under a pattern", {text, Variant::null(), text, text}, u"OK: Assigned"_s,
         u"Assign1(SHOP-a, a, a, False)"_s},
        {"text under a number pattern", {text, Variant(u"seven"_s), text, text}, u"OK: Assigned"_s,
         u"Assign1(SHOP-aseven, a, a, False)"_s},
    };
    for (const auto& c : cases) {
        engine->calls.clear();
        VariantArray arguments = c.arguments;
        QString result;
        const AutomationError error = errorOf([&] { result = api.Assign2(arguments); });
        if (c.result.isEmpty()) {
            EXPECT_EQ(error.number(), quibaGeneralError) << c.name;
            EXPECT_EQ(error.source(), u"pcQUIBAAPI"_s) << c.name;
            EXPECT_EQ(error.description(), u"General Error: Type mismatch"_s) << c.name;
        } else {
            EXPECT_EQ(error.number(), 0) << c.name;
            EXPECT_EQ(result, c.result) << c.name;
        }
        const QStringList engineCalls = c.engineCall.isEmpty() ? QStringList() : QStringList{c.engineCall};
        EXPECT_EQ(engine->calls.filter(u"Assign1"_s), engineCalls)
            << c.name;
    }
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

TEST_F(APIAssignTest, Assign3AndAssign4LeaveTheOutcomeToTheEngine)
{
    API& api = readyAPI();
    EXPECT_EQ(api.Assign3(), u"OK: Assigned"_s);
    VariantArray arguments{Variant(u"a"_s), Variant(ObjectRef(std::make_shared<Dictionary>())), Variant::null()};
    EXPECT_EQ(api.Assign4(arguments), u"OK: Assigned"_s);
    ASSERT_EQ(engine->lastAssignArguments.size(), 1);
    EXPECT_EQ(engine->lastAssignArguments.first().arrayValue().size(), 3);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: API.Assign3()"_s, u"CALL: API.Assign4()"_s}));

    engine->assignResult = false;
    engine->assignMessage = u"Host unreachable"_s;
    EXPECT_EQ(api.Assign3(), u"FAILED: Host unreachable"_s);
    EXPECT_EQ(api.Assign4(arguments), u"FAILED: Host unreachable"_s);
}

} // namespace
