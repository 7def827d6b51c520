#include "api/BasketItem.h"
#include "common/TestFiles.h"
#include "api/SaleFixture.h"
#include "api/SaleObjects.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class SaleObjectsTest : public SaleFixture {
protected:
    void SetUp() override
    {
        SaleFixture::SetUp();
        SaleObjects::install();
    }
};

TEST_F(SaleObjectsTest, ItemEventsCarryANewBasketItemOverTheEnginesItem)
{
    startEngine();
    auto item = std::make_shared<FakeEngineBasketItem>();
    item->productID = u"TT20"_s;

    // The answer is the Cancel the handler left.
    EXPECT_FALSE(engine->raiseItemAdded(item));
    ASSERT_TRUE(listener.lastBasketItem);
    const auto added = listener.lastBasketItem;
    EXPECT_EQ(added->ProductID(), u"TT20"_s);
    item->productID = u"TT30"_s;
    EXPECT_EQ(added->ProductID(), u"TT30"_s);

    // The Sovereign's Cancel goes back to the engine.
    listener.answerCancel = true;
    EXPECT_TRUE(engine->raiseItemAdded(item));

    engine->raiseItemRemoved(item);
    ASSERT_TRUE(listener.lastBasketItem);
    EXPECT_NE(listener.lastBasketItem, added);
    EXPECT_EQ(listener.lastBasketItem->ProductID(), u"TT30"_s);

    listener.events.clear();
    engine->raiseItemAdded(nullptr);
    engine->raiseItemRemoved(nullptr);
    EXPECT_TRUE(listener.events.isEmpty());
}

TEST_F(SaleObjectsTest, VoucherAvailableCarriesAVoucherForAnExistingFileOnly)
{
    startEngine();
    QTemporaryDir folder;
    const QString present = folder.filePath(u"pin.xml"_s);
    ASSERT_TRUE(TestFiles::write(present, {}));

    engine->sink()->VoucherAvailable(folder.filePath(u"missing.xml"_s));
    EXPECT_TRUE(listener.events.isEmpty());
    engine->sink()->VoucherAvailable(present);
    EXPECT_EQ(listener.events, QStringList{u"VoucherAvailable(voucher)"_s});
    ASSERT_TRUE(listener.lastVoucher);
    EXPECT_EQ(listener.lastVoucher->path(), present);
}

// The Sovereign may keep an item's Vouchers and let go of the BasketItem, as a queued print
// does: the collection still finds the item's documents. Once the engine is released the
// collection is empty and holds nothing of the engine's.
TEST_F(SaleObjectsTest, AnItemsVouchersOutliveTheBasketItemButNotTheEngine)
{
    startEngine();
    QTemporaryDir folder;
    const QString document = folder.filePath(u"pin.xml"_s);
    ASSERT_TRUE(TestFiles::write(document, "<document><text>PIN 1234</text></document>"));
    std::shared_ptr<FakeEngineBasketItem> engineItem = basket().addItem(u"TT20"_s);
    engineItem->documents = {document};
    basket().isCommitted = true;
    basket().releasedDocuments.insert(document);
    const std::weak_ptr<FakeEngineBasketItem> watched = engineItem;

    std::shared_ptr<BasketItem> item = BasketItem::wrap(engineItem);
    const std::shared_ptr<Vouchers> vouchers = item->Vouchers();
    ASSERT_TRUE(vouchers);
    item.reset();
    EXPECT_EQ(vouchers->Count(), 1);

    std::optional<bool> sync = false;
    vouchers->RaisePrintEvents(sync);
    listener.events.clear();
    TestEventLoop::runPending();
    const QStringList printed = listener.events.filter(u"PrintText"_s);
    ASSERT_EQ(printed.size(), 1) << listener.events.join(u'\n').toStdString();
    EXPECT_TRUE(printed.first().contains(u"PIN 1234"_s)) << printed.first().toStdString();

    frmController::instance().StopEngine();
    engine.reset();
    engineItem.reset();
    EXPECT_TRUE(watched.expired()) << "an engine item outlived its engine";
    EXPECT_EQ(vouchers->Count(), 0);
}

} // namespace
