#include "PinIssuer.h"

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

TEST(IssuedPinTest, ShowsThePinInGroupsOfFour)
{
    EXPECT_EQ((IssuedPin{QStringLiteral("1234567890123456"), {}}).groupedPin(), QStringLiteral("1234 5678 9012 3456"));
}

} // namespace
