#include "services/Trace.h"
#include "fakes/ServiceFixture.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class TraceTest : public ServiceFixture {};

TEST(TraceLineTest, EveryLineFormIsBuiltExactly)
{
    const struct {
        QString built;
        const char* expected;
    } cases[] = {
        {Trace::callLine(u"API"_s, u"Basket"_s), "CALL: API.Basket()"},
        {Trace::callLine(u"Basket"_s, u"AddItem"_s, {u"P1"_s, u"3"_s, u"\"a\"\"b\""_s}),
         "CALL: Basket.AddItem(P1, 3, \"a\"\"b\")"},
        {Trace::callLine(u"API"_s, u"InjectData"_s, {QString(), u"4"_s}), "CALL: API.InjectData(, 4)"},
        // Argument texts are taken as they are, markers included.
        {Trace::callLine(u"API"_s, u"InjectData"_s, {u"%1%2"_s, u"%3"_s}), "CALL: API.InjectData(%1%2, %3)"},
        {Trace::getLine(u"API"_s, u"IsAssigned"_s), "GET: API.IsAssigned"},
        {Trace::getLine(u"API"_s, u"SovereignName "_s), "GET: API.SovereignName "},
        {Trace::getLine(u"API"_s, u"POSInfo(Till)"_s), "GET: API.POSInfo(Till)"},
        {Trace::setLine(u"Eftpos"_s, u"Amount"_s, u"12.5"_s), "SET: Eftpos.Amount = 12.5"},
        {Trace::setLine(u"API"_s, u"POSDeviceID"_s, QString()), "SET: API.POSDeviceID = "},
        {Trace::setLine(u"API"_s, u"POSInfo(Till)"_s, u"%1"_s), "SET: API.POSInfo(Till) = %1"},
        {Trace::resultLine(u"True"_s), " --> True"},
        {Trace::resultLine(QString()), " --> "},
        {Trace::eventLine(u"Ready"_s), "EVENT: Ready()"},
        {Trace::eventLine(u"GetData"_s, {u"Card"_s, u"Track2"_s, u"4"_s, QString(), QString(), u"False"_s}),
         "EVENT: GetData(Card, Track2, 4, , , False)"},
        {Trace::endEventLine(u"ItemAdded"_s), " --> END EVENT: ItemAdded"},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(testCase.built, QString::fromUtf8(testCase.expected));
}

TEST(TraceLineTest, ValuesAreWrittenAsConcatenationWritesThem)
{
    const ObjectRef dictionary = std::make_shared<Dictionary>();
    const struct {
        Variant value;
        const char* expected;
    } cases[] = {
        {Variant(), ""},
        {Variant::null(), ""},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(qint16(-5)), "-5"},
        {Variant(qint32(2147483647)), "2147483647"},
        {Variant(0.5), "0.5"},
        {Variant::fromCurrency(15000), "1.5"},
        {Variant::fromDate(DateValue::fromParts(2024, 3, 5)), "05/03/2024"},
        {Variant(u"  as it is "), "  as it is "},
        {Variant(dictionary), "Dictionary"},
        {Variant(ObjectRef()), "Nothing"},
        {Variant(VariantArray{Variant(qint32(1)), Variant(u"two")}), "Variant()"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.value.typeName().toStdString());
        EXPECT_EQ(Trace::valueText(testCase.value), QString::fromUtf8(testCase.expected));
    }
}

TEST_F(TraceTest, WriteLogsTheLineAtTraceSeverityUnlessToldOtherwise)
{
    Trace::write(u"CALL: API.Basket()"_s);
    Trace::write(u" *** pcQUBIA is Busy"_s, Trace::ErrorSeverity);
    Trace::write(u"progress"_s, Trace::ProgressSeverity);
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{{u"CALL: API.Basket()"_s, 1},
                                                           {u" *** pcQUBIA is Busy"_s, 4},
                                                           {u"progress"_s, 0}}));
}

} // namespace
