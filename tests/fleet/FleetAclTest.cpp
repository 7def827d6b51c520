#include "FleetAcl.h"

#include <gtest/gtest.h>

namespace {

TEST(FleetAclTest, EachKioskReadsItsOwnItsGroupsAndTheFleetsCommandsAndWritesOnlyItsOwnTopics)
{
    QString acl;
    QString error;
    ASSERT_TRUE(FleetAcl::fromRoster(QStringLiteral("# the shop\nfleet shop\nkiosk k1 north,south\n\nkiosk k2\noperator op  # night shift\n"),
                                     acl, error))
        << error.toStdString();
    EXPECT_EQ(acl, QStringLiteral("# Written by pcquiba-fleet acl from the fleet's roster; edit the roster, not this file.\n"
                                  "\nuser k1\n"
                                  "topic read pcquiba/shop/k1/cmd\n"
                                  "topic read pcquiba/shop/group/north/cmd\n"
                                  "topic read pcquiba/shop/group/south/cmd\n"
                                  "topic read pcquiba/shop/all/cmd\n"
                                  "topic write pcquiba/shop/k1/status\n"
                                  "topic write pcquiba/shop/k1/online\n"
                                  "topic write pcquiba/shop/k1/info\n"
                                  "topic write pcquiba/shop/k1/result/+\n"
                                  "\nuser k2\n"
                                  "topic read pcquiba/shop/k2/cmd\n"
                                  "topic read pcquiba/shop/all/cmd\n"
                                  "topic write pcquiba/shop/k2/status\n"
                                  "topic write pcquiba/shop/k2/online\n"
                                  "topic write pcquiba/shop/k2/info\n"
                                  "topic write pcquiba/shop/k2/result/+\n"
                                  "\nuser op\n"
                                  "topic readwrite pcquiba/shop/#\n"));
}

TEST(FleetAclTest, RosterLinesThatCouldWidenAccessAreRefused)
{
    struct Case {
        const char* roster;
        const char* error;
    } const cases[] = {
        {"kiosk k1\n", "the roster names no fleet (a line \"fleet NAME\")"},
        {"fleet shop\nkiosk k/1\n", "roster line 2: not a name: kiosk k/1"},
        {"fleet shop\nkiosk k1 north,a/b\n", "roster line 2: not a group name: kiosk k1 north,a/b"},
        {"fleet shop\nkiosk k1 north,+ # a comment\n", "roster line 2: not a group name: kiosk k1 north,+ # a comment"},
        {"fleet shop\nkiosk all\n", "roster line 2: not a name: kiosk all"},
        {"fleet shop\nkiosk k1\noperator k1\n", "roster line 3: name given twice: operator k1"},
        {"fleet shop\nfleet other\n", "roster line 2: one fleet line with one fleet name: fleet other"},
        {"fleet +\n", "roster line 1: one fleet line with one fleet name: fleet +"},
        {"fleet shop\nadmin root\n", "roster line 2: not a declaration: admin root"},
        {"fleet shop\noperator op north\n", "roster line 2: an operator has no groups: operator op north"},
    };
    for (const Case& c : cases) {
        QString acl;
        QString error;
        EXPECT_FALSE(FleetAcl::fromRoster(QString::fromLatin1(c.roster), acl, error)) << c.roster;
        EXPECT_EQ(error, QString::fromLatin1(c.error)) << c.roster;
    }
}

} // namespace
