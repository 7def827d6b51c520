#include "components/IniCommandEntry.h"
#include "FleetMessages.h"
#include "FleetTopics.h"

#include <gtest/gtest.h>

namespace {

struct CommandCase {
    const char* what;
    QByteArray payload;
    QString id;
    QString refusal;
};

QByteArray commandOfLength(qsizetype length)
{
    return FleetMessages::command(QStringLiteral("c-1"), QStringLiteral("q:/set?scope=S&name=n&value=")
                                                             .leftJustified(length, u'x'));
}

// A message whose command fits but whose whole size is exactly the given number of bytes.
QByteArray messageOfBytes(qsizetype bytes)
{
    QByteArray message = FleetMessages::command(QStringLiteral("c-1"), QStringLiteral("q:/x"));
    message.insert(1, QByteArray("\"pad\":\"") + QByteArray(bytes - message.size() - 9, 'p') + "\",");
    return message;
}

TEST(FleetMessagesTest, CommandMessagesAreTakenOrRefusedByTheirBounds)
{
    const CommandCase cases[] = {
        {"plain", FleetMessages::command(QStringLiteral("a-1"), QStringLiteral("q:/set?scope=S")), QStringLiteral("a-1"), {}},
        {"not JSON", QByteArray("{\"id\":"), {}, QStringLiteral("not a JSON object")},
        {"upper-case id", FleetMessages::command(QStringLiteral("A1"), QStringLiteral("q:/x")), {},
         QStringLiteral("id must be 1 to 64 of a-z, 0-9 and -")},
        {"id of 65", FleetMessages::command(QString(65, u'a'), QStringLiteral("q:/x")), {},
         QStringLiteral("id must be 1 to 64 of a-z, 0-9 and -")},
        {"id with a topic level", FleetMessages::command(QStringLiteral("a/b"), QStringLiteral("q:/x")), {},
         QStringLiteral("id must be 1 to 64 of a-z, 0-9 and -")},
        {"no command", QByteArray("{\"id\":\"c-1\"}"), QStringLiteral("c-1"), QStringLiteral("no command")},
        {"command not text", QByteArray("{\"id\":\"c-1\",\"command\":5}"), QStringLiteral("c-1"), QStringLiteral("no command")},
        {"command of 965", commandOfLength(965), QStringLiteral("c-1"), {}},
        {"command of 966", commandOfLength(966), QStringLiteral("c-1"), QStringLiteral("command longer than 965 characters")},
        {"line break", FleetMessages::command(QStringLiteral("c-1"), QStringLiteral("q:/x\n[GENERAL]\nk=v")),
         QStringLiteral("c-1"), QStringLiteral("command holds control characters")},
        {"4096 bytes", messageOfBytes(4096), QStringLiteral("c-1"), {}},
        {"4097 bytes", messageOfBytes(4097), QStringLiteral("c-1"), QStringLiteral("message larger than 4096 bytes")},
    };
    for (const CommandCase& c : cases) {
        const FleetMessages::Command parsed = FleetMessages::parseCommand(c.payload);
        EXPECT_EQ(parsed.id, c.id) << c.what;
        EXPECT_EQ(parsed.refusal, c.refusal) << c.what;
        EXPECT_EQ(parsed.command.isEmpty(), !c.refusal.isEmpty()) << c.what;
    }
    EXPECT_EQ(messageOfBytes(4097).size(), 4097);
    // A command the agent takes can be kept finished with any outcome word and read back whole.
    EXPECT_EQ(FleetMessages::kMaxCommandLength, IniCommandEntry::maxCommandLength());
}

TEST(FleetMessagesTest, ResultRoundTrips)
{
    const FleetMessages::Result sent{QStringLiteral("a-1"), QStringLiteral("refused"), QString(), QStringLiteral("busy")};
    FleetMessages::Result read;
    ASSERT_TRUE(FleetMessages::parseResult(FleetMessages::result(sent), read));
    EXPECT_EQ(read.id, sent.id);
    EXPECT_EQ(read.status, sent.status);
    EXPECT_EQ(read.detail, sent.detail);
    EXPECT_EQ(FleetMessages::result(sent),
              QByteArray(R"({"detail":"busy","finished_at":"","id":"a-1","status":"refused"})"));
    EXPECT_FALSE(FleetMessages::parseResult("[]", read));
}

TEST(FleetTopicsTest, NamesThatCouldReachAnotherTopicAreRefused)
{
    for (const char* name : {"k1", "KIOSK-7", "00-1A-2B-3C-4D-5E", "a.b_c"})
        EXPECT_TRUE(FleetTopics::isValidKioskName(QString::fromLatin1(name))) << name;
    for (const char* name : {"", "a/b", "+", "#", "a b", "all", "group", "operator"})
        EXPECT_FALSE(FleetTopics::isValidKioskName(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(FleetTopics::isValidKioskName(QString(65, u'k')));

    const FleetTopics topics(QStringLiteral("shop"));
    QString kiosk;
    QString rest;
    ASSERT_TRUE(topics.split(QStringLiteral("pcquiba/shop/k1/result/a-1"), kiosk, rest));
    EXPECT_EQ(kiosk, QStringLiteral("k1"));
    EXPECT_EQ(rest, QStringLiteral("result/a-1"));
    EXPECT_FALSE(topics.split(QStringLiteral("pcquiba/other/k1/status"), kiosk, rest));
    EXPECT_FALSE(topics.split(QStringLiteral("pcquiba/shop/all/cmd"), kiosk, rest));
}

} // namespace
