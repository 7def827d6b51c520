#include "FleetCommandBook.h"
#include "FleetSettings.h"
#include "MosquittoBroker.h"

#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "platform/Dictionary.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FleetCommandBookTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ini.setFileName(folder.path() + QStringLiteral("/pcQUIBA.ini"));
    }

    QString marks() const { return folder.path() + QStringLiteral("/marks"); }
    QString value(const QString& key) const { return ini.GetString(QStringLiteral("COMMANDS"), key); }

    QTemporaryDir folder;
    clsINIFile ini;
};

TEST_F(FleetCommandBookTest, CommandIsWrittenOnceUnderItsIdsKey)
{
    FleetCommandBook book(ini, marks());
    EXPECT_EQ(book.take(QStringLiteral("a-1"), QStringLiteral("q:/set?scope=S")), FleetCommandBook::Intake::Written);
    EXPECT_EQ(value(QStringLiteral("fleet-a-1")), QStringLiteral("q:/set?scope=S"));
    // Delivered again, even with other text: nothing changes.
    EXPECT_EQ(book.take(QStringLiteral("a-1"), QStringLiteral("q:/set?scope=T")), FleetCommandBook::Intake::AlreadyKnown);
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-a-1"), QStringLiteral("@2026-12-10 12:00:20|done|q:/set?scope=S"));
    EXPECT_EQ(book.take(QStringLiteral("a-1"), QStringLiteral("q:/set?scope=S")), FleetCommandBook::Intake::AlreadyKnown);
    EXPECT_EQ(value(QStringLiteral("fleet-a-1")), QStringLiteral("@2026-12-10 12:00:20|done|q:/set?scope=S"));
}

TEST_F(FleetCommandBookTest, FiftyPendingFleetEntriesAreTheLimit)
{
    FleetCommandBook book(ini, marks());
    // Entries of other writers and finished fleet entries do not count.
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("local"), QStringLiteral("q:/update"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-old"), QStringLiteral("@2026-12-10 12:00:20|failed|q:/x"));
    for (int index = 0; index < FleetCommandBook::kMaxPending; ++index)
        ASSERT_EQ(book.take(QStringLiteral("p-%1").arg(index), QStringLiteral("q:/x")), FleetCommandBook::Intake::Written);
    EXPECT_EQ(book.pendingCount(), 50);
    EXPECT_EQ(book.take(QStringLiteral("p-50"), QStringLiteral("q:/x")), FleetCommandBook::Intake::Busy);
    EXPECT_FALSE(ini.KeyExists(QStringLiteral("COMMANDS"), QStringLiteral("fleet-p-50")));
    // A pending entry in the kept form (postponed) still counts; once one finishes there is room.
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-p-0"), QStringLiteral("@2026-12-10 13:00:00||q:/x"));
    EXPECT_EQ(book.take(QStringLiteral("p-50"), QStringLiteral("q:/x")), FleetCommandBook::Intake::Busy);
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-p-1"), QStringLiteral("@2026-12-10 13:00:00|done|q:/x"));
    EXPECT_EQ(book.take(QStringLiteral("p-50"), QStringLiteral("q:/x")), FleetCommandBook::Intake::Written);
}

TEST_F(FleetCommandBookTest, FinishedEntriesAreOfferedUntilMarkedAndMarksGoWithTheirEntries)
{
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-a"), QStringLiteral("@2026-12-10 12:00:20|done|q:/x"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-b"), QStringLiteral("q:/x"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-c"), QStringLiteral("@2026-12-10 12:00:40|failed|q:/y"));
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("other"), QStringLiteral("@2026-12-10 12:00:40|done|q:/y"));
    {
        FleetCommandBook book(ini, marks());
        const QList<FleetCommandBook::Finished> finished = book.unpublished();
        ASSERT_EQ(finished.size(), 2);
        EXPECT_EQ(finished[0].id, QStringLiteral("a"));
        EXPECT_EQ(finished[0].status, QStringLiteral("done"));
        EXPECT_TRUE(finished[0].finishedAt.startsWith(QStringLiteral("2026-12-10T12:00:20"))) << finished[0].finishedAt.toStdString();
        EXPECT_EQ(finished[1].status, QStringLiteral("failed"));
        book.markPublished(QStringLiteral("a"));
    }
    // The marks outlive the agent.
    FleetCommandBook book(ini, marks());
    ASSERT_EQ(book.unpublished().size(), 1);
    EXPECT_EQ(book.unpublished()[0].id, QStringLiteral("c"));

    // The tick pruned "a"; the same id comes again later and its new result is offered.
    ini.EraseKey(QStringLiteral("COMMANDS"), QStringLiteral("fleet-a"));
    book.dropStaleMarks();
    EXPECT_FALSE(QFile::exists(marks() + QStringLiteral("/a")));
    book.markPublished(QStringLiteral("c"));
    ini.EraseKey(QStringLiteral("COMMANDS"), QStringLiteral("fleet-c"));
    EXPECT_EQ(book.take(QStringLiteral("c"), QStringLiteral("q:/z")), FleetCommandBook::Intake::Written);
    ini.WriteString(QStringLiteral("COMMANDS"), QStringLiteral("fleet-c"), QStringLiteral("@2026-12-10 12:01:00|done|q:/z"));
    ASSERT_EQ(book.unpublished().size(), 1);
    EXPECT_EQ(book.unpublished()[0].id, QStringLiteral("c"));
}

TEST_F(FleetCommandBookTest, KioskIdIsTheCertificatesCommonNameElseTheKioskIdKey)
{
    MosquittoBroker certificates(QStringLiteral("fleet shop\n"));
    const MosquittoBroker::Identity identity = certificates.identity(QStringLiteral("kiosk-17"));
    ASSERT_TRUE(certificates.ok());
    ini.WriteString(FleetSettings::kSection, QStringLiteral("broker_url"), QStringLiteral("mqtts://broker.example"));
    ini.WriteString(FleetSettings::kSection, QStringLiteral("fleet_name"), QStringLiteral("shop"));
    ini.WriteString(FleetSettings::kSection, QStringLiteral("kiosk_id"), QStringLiteral("written-id"));
    ini.WriteString(FleetSettings::kSection, QStringLiteral("groups"), QStringLiteral("north, south"));
    FleetSettings settings;
    QString error;
    ASSERT_TRUE(FleetSettings::read(ini, settings, error)) << error.toStdString();
    EXPECT_EQ(settings.kioskId, QStringLiteral("written-id"));
    EXPECT_EQ(settings.groups, (QStringList{QStringLiteral("north"), QStringLiteral("south")}));

    ini.WriteString(FleetSettings::kSection, QStringLiteral("cert_file"), identity.cert);
    ASSERT_TRUE(FleetSettings::read(ini, settings, error)) << error.toStdString();
    EXPECT_EQ(settings.kioskId, QStringLiteral("kiosk-17"));

    // A certificate named like a fleet-wide topic level is refused, as is a group name that could.
    const MosquittoBroker::Identity wild = certificates.identity(QStringLiteral("all"));
    ini.WriteString(FleetSettings::kSection, QStringLiteral("cert_file"), wild.cert);
    EXPECT_FALSE(FleetSettings::read(ini, settings, error));
    EXPECT_EQ(error, QStringLiteral("the kiosk id is not a kiosk name: all"));
    ini.WriteString(FleetSettings::kSection, QStringLiteral("groups"), QStringLiteral("north,#"));
    EXPECT_FALSE(FleetSettings::read(ini, settings, error));
    EXPECT_EQ(error, QStringLiteral("FLEET groups: not a group name: #"));
}

} // namespace
