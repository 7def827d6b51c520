#include "api/BasketItem.h"
#include "common/TestFiles.h"
#include "api/Vouchers.h"
#include "services/QuibaErrors.h"
#include "fakes/FakeEngineBasketItem.h"
#include "fakes/ServiceFixture.h"
#include "platform/AutomationError.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class BasketItemTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        engineItem->id = 42;
        engineItem->productID = u"TT20"_s;
        engineItem->description = u"Talk&Text 20"_s;
        engineItem->posOperatorID = u"OP7"_s;
        engineItem->posReferenceID = u"REF9"_s;
        engineItem->quantity = 3;
        engineItem->value = 200000;
        engineItem->taxes = {{u"GST"_s, 26087}};
        engineItem->isCommitted = true;
        engineItem->isRemovable = false;
        engineItem->isSuspendable = true;
        engineItem->isTender = false;
        engineItem->originalID = -5;
        engineItem->costPrice = 185000;
        item = BasketItem::wrap(engineItem);
    }

    std::shared_ptr<FakeEngineBasketItem> engineItem = std::make_shared<FakeEngineBasketItem>();
    std::shared_ptr<BasketItem> item;
};

struct PropertyCase {
    const char* name;
    std::function<Variant(BasketItem&)> read;
    Variant expected;
    const char* result;
};

TEST_F(BasketItemTest, EveryPropertyReadsTheEngineItemWithItsFrameAndLines)
{
    const PropertyCase cases[] = {
        {"ID", [](BasketItem& i) { return Variant(i.ID()); }, Variant(u"42"_s), "42"},
        {"ProductID", [](BasketItem& i) { return Variant(i.ProductID()); }, Variant(u"TT20"_s), "TT20"},
        {"Description", [](BasketItem& i) { return Variant(i.Description()); }, Variant(u"Talk&Text 20"_s),
         "Talk&Text 20"},
        {"POSOperatorID", [](BasketItem& i) { return Variant(i.POSOperatorID()); }, Variant(u"OP7"_s), "OP7"},
        {"POSReferenceID", [](BasketItem& i) { return Variant(i.POSReferenceID()); }, Variant(u"REF9"_s), "REF9"},
        {"Quantity", [](BasketItem& i) { return Variant(i.Quantity()); }, Variant(qint16(3)), "3"},
        {"Value", [](BasketItem& i) { return Variant::fromCurrency(i.Value()); }, Variant::fromCurrency(200000), "20"},
        {"IsCommitted", [](BasketItem& i) { return Variant(i.IsCommitted()); }, Variant(true), "True"},
        {"IsRemovable", [](BasketItem& i) { return Variant(i.IsRemovable()); }, Variant(false), "False"},
        {"IsSuspendable", [](BasketItem& i) { return Variant(i.IsSuspendable()); }, Variant(true), "True"},
        {"IsTender", [](BasketItem& i) { return Variant(i.IsTender()); }, Variant(false), "False"},
        {"OriginalID", [](BasketItem& i) { return Variant(i.OriginalID()); }, Variant(qint32(-5)), "-5"},
        {"CostPrice", [](BasketItem& i) { return Variant::fromCurrency(i.CostPrice()); }, Variant::fromCurrency(185000),
         "18.5"},
    };
    for (const PropertyCase& testCase : cases) {
        const QString name = QString::fromUtf8(testCase.name);
        SCOPED_TRACE(testCase.name);
        logger->lines.clear();
        errorHandler->events.clear();
        EXPECT_EQ(testCase.read(*item), testCase.expected);
        EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{{u"GET: BasketItem."_s + name, 1},
                                                                {u" --> "_s + QString::fromUtf8(testCase.result), 1}}));
        EXPECT_EQ(errorHandler->events,
                  (QStringList{u"enter BasketItem.Property (Get) "_s + name, u"leave"_s}));
    }
}

TEST_F(BasketItemTest, TaxAsksTheEngineForTheTrimmedUpperCaseCode)
{
    EXPECT_EQ(item->Tax(u"  gst "_s), 26087);
    EXPECT_EQ(logger->texts(), (QStringList{u"GET: BasketItem.Tax(\"GST\")"_s, u" --> 2.6087"_s}));
    logger->lines.clear();
    EXPECT_EQ(item->Tax(u"a\"b"_s), 0);
    EXPECT_EQ(logger->texts().first(), u"GET: BasketItem.Tax(\"A\"\"B\")"_s);
}

TEST_F(BasketItemTest, EachReadSeesTheEngineAsItIsNow)
{
    EXPECT_EQ(item->Quantity(), 3);
    engineItem->quantity = 5;
    EXPECT_EQ(item->Quantity(), 5);
}

TEST_F(BasketItemTest, VouchersIsOneObjectOverTheEngineItemsDocuments)
{
    QTemporaryDir folder;
    const QString present = folder.filePath(u"pin.xml"_s);
    ASSERT_TRUE(TestFiles::write(present, {}));
    engineItem->documents = {folder.filePath(u"gone.xml"_s), present};

    const auto vouchers = item->Vouchers();
    EXPECT_EQ(logger->texts(), QStringList{u"GET: BasketItem.Vouchers"_s});
    ASSERT_TRUE(vouchers);
    EXPECT_EQ(item->Vouchers(), vouchers);
    EXPECT_EQ(vouchers->Count(), 1);
    engineItem->documents.append(present);
    EXPECT_EQ(vouchers->Count(), 2);
}

TEST_F(BasketItemTest, WithoutAnEngineItemVouchersIsNothingAndPropertiesFail)
{
    const auto unattached = std::make_shared<BasketItem>();
    EXPECT_EQ(unattached->Vouchers(), nullptr);
    try {
        unattached->ProductID();
        FAIL() << "read without an engine item";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), quibaGeneralError);
        EXPECT_EQ(error.source(), u"pcQUIBABasketItem"_s);
        EXPECT_EQ(error.description(), u"General Error: Object variable or With block variable not set"_s);
    }
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

} // namespace
