#include "api/APIFixture.h"

#include "api/Voucher.h"
#include "api/VoucherDelivery.h"
#include "controller/RulesEngineEvents.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class VoucherDeliveryTest : public APIFixture {
protected:
    void SetUp() override
    {
        APIFixture::SetUp();
        Clock::set(QDateTime(QDate(2026, 12, 11), QTime(8, 15, 30)));
        QDir().mkpath(TestEnvironment::root() + u"/data/vouchers"_s);
    }
    void TearDown() override
    {
        for (const QString& file : files)
            QFile::remove(file);
        Clock::reset();
        APIFixture::TearDown();
    }
    QString voucher(const QString& name)
    {
        const QString fileName = TestEnvironment::root() + u"/data/vouchers/"_s + name;
        QFile::remove(fileName);
        EXPECT_TRUE(QFile::copy(QStringLiteral(PCQUIBA_TEST_DATA) + u"/vouchers/sample.xml"_s, fileName));
        files.append(fileName);
        // Committed: the engine has released it.
        engine->ensureBasket().isCommitted = true;
        engine->ensureBasket().releasedDocuments.insert(fileName);
        return fileName;
    }
    QList<RecordingLogger::Line> warnings() const
    {
        QList<RecordingLogger::Line> found;
        for (const auto& line : logger->lines) {
            if (line.severity == 2)
                found.append(line);
        }
        return found;
    }

    QStringList files;
};

TEST_F(VoucherDeliveryTest, ASovereignLeavingWithVouchersItNeitherPrintedNorReadIsLoggedWithItsBasket)
{
    readyAPI();
    engine->posReferenceID = u"SALE-7"_s;
    const QString printed = voucher(u"000001.xml"_s);
    const QString read = voucher(u"000002.xml"_s);
    const QString forgotten = voucher(u"000003.xml"_s);
    for (const QString& file : {printed, read, forgotten})
        engine->sink()->VoucherAvailable(file);
    engine->sink()->BasketCommitted(3);
    ASSERT_EQ(sink.vouchers.size(), 3);
    std::optional<bool> sync = true;
    sink.vouchers.at(0)->RaisePrintEvents(sync);
    sink.vouchers.at(1)->XML();

    logger->lines.clear();
    sink.vouchers.clear();
    apis.clear();
    EXPECT_EQ(warnings(), (QList<RecordingLogger::Line>{
                              {u"Vouchers neither printed nor read when the Sovereign left: basket SALE-7 "
                               u"(committed 2026-12-11 08:15:30): "_s + forgotten, 2}}));
}

TEST_F(VoucherDeliveryTest, AVoucherAnotherSovereignPrintedOrAllPrintedLeavesNothingToLog)
{
    readyAPI();
    makeAPI();
    const QString file = voucher(u"000004.xml"_s);
    engine->sink()->VoucherAvailable(file);
    engine->sink()->BasketCommitted(1);
    std::optional<bool> sync = true;
    Voucher::create(file)->RaisePrintEvents(sync);
    logger->lines.clear();
    sink.vouchers.clear();
    apis.clear();
    EXPECT_TRUE(warnings().isEmpty());
}

TEST_F(VoucherDeliveryTest, ASovereignWithMoreVouchersThanKeptGivesUpItsOldestBasketFirst)
{
    const int owner = 0;
    for (qsizetype i = 0; i < VoucherDelivery::kMostKeptVouchers; ++i)
        VoucherDelivery::offered(&owner, u"old-%1.xml"_s.arg(i));
    VoucherDelivery::basketCommitted(&owner, u"SALE-1"_s, Clock::now());
    EXPECT_TRUE(warnings().isEmpty());
    VoucherDelivery::offered(&owner, u"new.xml"_s);
    ASSERT_EQ(warnings().size(), 1) << "one past the bound";
    EXPECT_TRUE(warnings().first().text.contains(u"basket SALE-1 (committed 2026-12-11 08:15:30): old-0.xml, old-1.xml"_s));

    logger->lines.clear();
    VoucherDelivery::ownerLeaves(&owner);
    EXPECT_EQ(warnings(), (QList<RecordingLogger::Line>{
                              {u"Vouchers neither printed nor read when the Sovereign left: a basket without "
                               u"POSReferenceID (not committed): new.xml"_s, 2}}));
}

} // namespace
