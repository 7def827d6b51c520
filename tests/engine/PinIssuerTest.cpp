#include "PinIssuer.h"
#include "common/SmallFileSystem.h"

#include <QFile>

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Issues `count` PINs from a fresh issuer on the file and adds them to the sets; false when a
// PIN or serial came twice.
bool issueInto(const QString& fileName, int count, QSet<QString>& pins, QSet<QString>& serials, QString& lastSerial)
{
    PinIssuer issuer(fileName);
    for (int index = 0; index < count; ++index) {
        const auto issued = issuer.issue();
        if (!issued || issued->pin.size() != 16 || pins.contains(issued->pin) || serials.contains(issued->serial))
            return false;
        pins.insert(issued->pin);
        serials.insert(issued->serial);
        lastSerial = issued->serial;
    }
    return true;
}

TEST(PinIssuerTest, TenThousandPinsAcrossTwoRestartsAreAllDifferent)
{
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("simulator/issued-pins.txt"));
    QSet<QString> pins;
    QSet<QString> serials;
    QString lastSerial;
    ASSERT_TRUE(issueInto(fileName, 4000, pins, serials, lastSerial));
    ASSERT_TRUE(issueInto(fileName, 3000, pins, serials, lastSerial));
    ASSERT_TRUE(issueInto(fileName, 3000, pins, serials, lastSerial));
    EXPECT_EQ(pins.size(), 10000);
    EXPECT_EQ(lastSerial, QStringLiteral("SIM0000010000"));
    EXPECT_EQ(PinIssuer(fileName).issuedCount(), 10000);
}

TEST(PinIssuerTest, APinIssuedBeforeARestartIsNeverIssuedAgain)
{
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("issued-pins.txt"));
    // Each start draws the same candidates again, from 0 up, so every one the first start
    // issued comes back after the restart and must be passed over.
    const auto countingSource = [] {
        return [next = 0]() mutable { return QStringLiteral("%1").arg(next++, 16, 10, QLatin1Char('0')); };
    };
    QStringList first;
    {
        PinIssuer issuer(fileName, countingSource());
        for (int index = 0; index < 3; ++index)
            first.append(issuer.issue()->pin);
    }
    PinIssuer restarted(fileName, countingSource());
    EXPECT_EQ(restarted.issue()->pin, QStringLiteral("0000000000000003"));
    EXPECT_EQ(first, (QStringList{QStringLiteral("0000000000000000"), QStringLiteral("0000000000000001"),
                                  QStringLiteral("0000000000000002")}));
}

TEST(PinIssuerTest, AnUnwritableRecordIssuesNothing)
{
    QTemporaryDir folder;
    PinIssuer issuer(folder.path()); // a folder cannot be appended to
    EXPECT_FALSE(issuer.issue().has_value());
    EXPECT_EQ(issuer.issuedCount(), 0);
}

// A sale's PINs go into the record together, each with its voucher's details, and stay owed
// their voucher until it is marked delivered, across restarts.
TEST(PinIssuerTest, ASalesPinsAreOwedTheirVouchersUntilDeliveredAcrossARestart)
{
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("issued-pins.txt"));
    PinIssuer issuer(fileName);
    const auto pins = issuer.issue({QByteArray("{\"n\":1}"), QByteArray("{\"n\":2}")});
    ASSERT_TRUE(pins.has_value());
    ASSERT_EQ(pins->size(), 2);
    EXPECT_EQ(pins->at(1).serial, QStringLiteral("SIM0000000002"));
    EXPECT_EQ(issuer.owed().size(), 2);
    EXPECT_TRUE(issuer.markDelivered(pins->at(0).serial));

    PinIssuer restarted(fileName);
    EXPECT_EQ(restarted.issuedCount(), 2);
    ASSERT_EQ(restarted.owed().size(), 1);
    EXPECT_EQ(restarted.owed().first().pin.pin, pins->at(1).pin);
    EXPECT_EQ(restarted.owed().first().pin.serial, pins->at(1).serial);
    EXPECT_EQ(restarted.owed().first().details, QByteArray("{\"n\":2}"));
    EXPECT_EQ(restarted.issue()->serial, QStringLiteral("SIM0000000003"));
}

// On a full disk a sale's record is written whole or not at all: a write cut short is taken
// back, so the next record starts on a line of its own and no PIN is half recorded.
TEST(PinIssuerTest, ARecordTheDiskCutsShortIsTakenBackAndIssuesNothing)
{
    SmallFileSystem disk;
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    const QString fileName = disk.path() + QStringLiteral("/issued-pins.txt");
    PinIssuer issuer(fileName);
    ASSERT_TRUE(issuer.issue().has_value());
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    ASSERT_TRUE(disk.fill());
    // Larger than the room left in the record's last block: part of it fits, the rest does not.
    const QByteArray large(6000, 'x');
    EXPECT_FALSE(issuer.issue({large, large}).has_value());
    EXPECT_EQ(issuer.failure(), QStringLiteral("Disk full: No space left on device"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_EQ(issuer.issuedCount(), 1);
    EXPECT_TRUE(issuer.owed().isEmpty());

    disk.makeRoom();
    EXPECT_EQ(issuer.issue()->serial, QStringLiteral("SIM0000000002"));
    EXPECT_EQ(PinIssuer(fileName).issuedCount(), 2);
}

TEST(IssuedPinTest, ShowsThePinInGroupsOfFour)
{
    EXPECT_EQ((IssuedPin{QStringLiteral("1234567890123456"), {}}).groupedPin(), QStringLiteral("1234 5678 9012 3456"));
}

} // namespace
