#include "EngineEventLog.h"
#include "SimulatedRoot.h"
#include "SimulatedRulesEngine.h"
#include "api/SurrenderReason.h"
#include "common/SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

// The simulated engine on a disk that fails it: a PIN the host has issued is paid for, so it is
// never lost, and nothing is announced that is not on the disk whole.
class SimulatedVoucherFaultTest : public ::testing::Test {
protected:
    std::shared_ptr<SimulatedRulesEngine> start()
    {
        auto engine = std::make_shared<SimulatedRulesEngine>();
        engine->setEventSink(&events);
        engine->Initialise(false);
        if (engine->AssignRequired()) {
            QString message;
            bool force = false;
            engine->Assign1(message, nullptr, {}, QStringLiteral("KIOSK-1"), SimulatedRoot::goodCode1(),
                            SimulatedRoot::goodCode2(), force);
        }
        return engine;
    }

    // A basket of two PINs, committed by the Sovereign; the events it brought, up to the surrender
    // or the commit.
    void sellTwo(SimulatedRulesEngine& engine)
    {
        engine.AddItem(QStringLiteral("TN-10"), {Variant()});
        engine.AddItem(QStringLiteral("TN-10"), {Variant()});
        ASSERT_TRUE(events.waitFor(QStringLiteral("ItemAdded"), 2));
        events.lines.clear();
        ASSERT_TRUE(engine.Commit().toBool());
    }

    QByteArray issuedPins() const
    {
        QFile file(root->path(QStringLiteral("data/simulator/issued-pins.txt")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString voucher(const QString& serial) const
    {
        return root->path(QStringLiteral("data/vouchers/%1.xml").arg(serial));
    }

    // Replaced by a fresh one for each case of a table.
    std::optional<SimulatedRoot> root{std::in_place};
    EngineEventLog events;
};

TEST_F(SimulatedVoucherFaultTest, AVoucherTheDiskRefusesEndsTheSaleWithTheReasonAndIsWrittenAtTheNextStart)
{
    for (const auto& fault : SmallFileSystem::kFaults) {
        SCOPED_TRACE(fault.name);
        root.emplace();
        events = EngineEventLog();
        std::vector<std::shared_ptr<EngineBasketItem>> items;
        {
            auto disk = std::make_unique<SmallFileSystem>(root->path(QStringLiteral("data/vouchers")));
            ASSERT_TRUE(disk->mounted()) << disk->error().toStdString();
            auto engine = start();
            ASSERT_TRUE(fault.readOnly ? disk->makeReadOnly() : disk->fill());
            sellTwo(*engine);
            ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
            EXPECT_EQ(events.lines, QStringList{QStringLiteral("Surrender 7 The voucher SIM0000000001 could not be "
                                                               "written: %1")
                                                    .arg(QLatin1StringView(fault.reason))});
            // Paid: the basket stays committed and the host keeps both PINs.
            EXPECT_TRUE(engine->Basket()->IsCommitted());
            const QList<std::shared_ptr<EngineBasketItem>> sold = engine->Basket()->Items();
            items = {sold.begin(), sold.end()};
            EXPECT_EQ(engine->Basket()->DocumentList()->count(), 0);
            for (const auto& item : items) {
                const auto simulated = std::dynamic_pointer_cast<SimulatedBasketItem>(item);
                ASSERT_TRUE(simulated && simulated->pin());
                EXPECT_TRUE(issuedPins().contains(simulated->pin()->pin.toLatin1()));
            }
            // The disk is mended: room again, or the read-only mount gone.
            if (!fault.readOnly)
                disk->makeRoom();
            else
                disk.reset();
            start();
            for (const auto& item : items) {
                const auto simulated = std::dynamic_pointer_cast<SimulatedBasketItem>(item);
                QFile document(voucher(simulated->pin()->serial));
                ASSERT_TRUE(document.open(QIODevice::ReadOnly)) << document.fileName().toStdString();
                EXPECT_TRUE(document.readAll().contains(simulated->pin()->groupedPin().toUtf8()));
            }
            // Owed no more: a voucher removed after that is not written again.
            const auto first = std::dynamic_pointer_cast<SimulatedBasketItem>(items.front());
            ASSERT_TRUE(QFile::remove(voucher(first->pin()->serial)));
            start();
            EXPECT_FALSE(QFile::exists(voucher(first->pin()->serial)));
        }
    }
}

TEST_F(SimulatedVoucherFaultTest, WhenTheHostCannotRecordThePinsNothingIsSoldAndTheSovereignIsTold)
{
    auto engine = start();
    SmallFileSystem disk(root->path(QStringLiteral("data/simulator")));
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    ASSERT_TRUE(disk.makeReadOnly());
    sellTwo(*engine);
    ASSERT_TRUE(events.waitFor(QStringLiteral("Surrender")));
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("Surrender 7 The vouchers could not be issued: Path/File "
                                                       "access error: Read-only file system")});
    EXPECT_FALSE(engine->Basket()->IsCommitted());
    EXPECT_EQ(engine->Basket()->Count(), 2);
    EXPECT_TRUE(QDir(root->path(QStringLiteral("data/vouchers"))).entryList(QDir::Files).isEmpty());
}

TEST_F(SimulatedVoucherFaultTest, VouchersAreAnnouncedOnlyOnceAllAreOnTheDiskAndBeforeTheCommit)
{
    auto engine = start();
    sellTwo(*engine);
    ASSERT_TRUE(events.waitFor(QStringLiteral("BasketCommitted")));
    EXPECT_EQ(events.lines, (QStringList{QStringLiteral("VoucherAvailable"), QStringLiteral("VoucherAvailable"),
                                         QStringLiteral("BasketCommitted 2")}));
    for (const QString& document : events.vouchers)
        EXPECT_GT(QFile(document).size(), 0) << document.toStdString();
    EXPECT_TRUE(QDir(root->path(QStringLiteral("data/vouchers"))).entryList(QDir::Hidden | QDir::Files).size() == 2);
}

} // namespace
