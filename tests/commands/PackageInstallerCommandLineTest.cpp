#include "components/PackageInstallerCommandLine.h"

#include <gtest/gtest.h>

TEST(PackageInstallerCommandLineTest, ReadsTheSwitchesAsSeparateArguments)
{
    struct Case {
        QStringList arguments;
        QString package;
        QString program;
        QStringList programArguments;
    };
    const Case cases[] = {
        {{QStringLiteral("/i")}, QString(), QString(), {}},
        {{QStringLiteral("/i=p q.tar.gz")}, QStringLiteral("p q.tar.gz"), QString(), {}},
        {{QStringLiteral("-I=p.tar.gz")}, QStringLiteral("p.tar.gz"), QString(), {}},
        {{QStringLiteral("/i=\"a\"\"b.tar.gz\"")}, QStringLiteral("a\"b.tar.gz"), QString(), {}},
        {{QStringLiteral("/i=p.tar.gz"), QStringLiteral("/x=/opt/pcquiba/bin/pcquiba"), QStringLiteral("gui")},
         QStringLiteral("p.tar.gz"), QStringLiteral("/opt/pcquiba/bin/pcquiba"), {QStringLiteral("gui")}},
        // everything after /x belongs to the restarted program, switches included
        {{QStringLiteral("/i"), QStringLiteral("/x=/bin/p"), QStringLiteral("/i=other"), QStringLiteral("; rm -rf /")},
         QString(), QStringLiteral("/bin/p"), {QStringLiteral("/i=other"), QStringLiteral("; rm -rf /")}},
    };
    for (const Case& c : cases) {
        const auto line = PackageInstallerCommandLine::parse(c.arguments);
        EXPECT_TRUE(line.error.isEmpty()) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(line.install);
        EXPECT_EQ(line.package, c.package);
        EXPECT_EQ(line.restartProgram, c.program);
        EXPECT_EQ(line.restartArguments, c.programArguments);
    }
}

TEST(PackageInstallerCommandLineTest, RefusesWhatItDoesNotUnderstand)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("/x=/bin/p")},
        {QStringLiteral("/install")},
        {QStringLiteral("p.tar.gz")},
        {QStringLiteral("/i"), QStringLiteral("/i=again")},
        {QStringLiteral("/i"), QStringLiteral("/x=")},
    };
    for (const QStringList& arguments : cases)
        EXPECT_FALSE(PackageInstallerCommandLine::parse(arguments).error.isEmpty())
            << arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(PackageInstallerCommandLineTest, HelpAndVersionOnlyAsTheOneArgument)
{
    const struct {
        QStringList arguments;
        bool help;
        bool version;
        bool error;
    } cases[] = {
        {{QStringLiteral("--help")}, true, false, false},
        {{QStringLiteral("--version")}, false, true, false},
        {{QStringLiteral("/i"), QStringLiteral("--help")}, false, false, true},
        {{QStringLiteral("--HELP")}, false, false, true},
    };
    for (const auto& c : cases) {
        const auto line = PackageInstallerCommandLine::parse(c.arguments);
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(line.help, c.help);
        EXPECT_EQ(line.version, c.version);
        EXPECT_EQ(!line.error.isEmpty(), c.error);
        if (!c.error) {
            EXPECT_FALSE(line.install || line.rollback) << "nothing is installed";
        }
    }
}

TEST(PackageInstallerCommandLineTest, RollbackAndTheProcessToWaitFor)
{
    struct Case {
        QStringList arguments;
        bool rollback;
        QString package;
        qint64 processId;
    };
    const Case cases[] = {
        {{QStringLiteral("/r")}, true, QString(), 0},
        {{QStringLiteral("/r=p.tar.gz"), QStringLiteral("/p=4242")}, true, QStringLiteral("p.tar.gz"), 4242},
        {{QStringLiteral("/p=17"), QStringLiteral("-I=p.tar.gz")}, false, QStringLiteral("p.tar.gz"), 17},
    };
    for (const Case& c : cases) {
        const auto line = PackageInstallerCommandLine::parse(c.arguments);
        EXPECT_TRUE(line.error.isEmpty()) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(line.rollback, c.rollback);
        EXPECT_EQ(line.install, !c.rollback);
        EXPECT_EQ(line.package, c.package);
        EXPECT_EQ(line.processId, c.processId);
    }
    const QStringList refused[] = {
        {QStringLiteral("/i"), QStringLiteral("/r")},       {QStringLiteral("/r"), QStringLiteral("/i")},
        {QStringLiteral("/r"), QStringLiteral("/p=abc")},   {QStringLiteral("/r"), QStringLiteral("/p=0")},
        {QStringLiteral("/r"), QStringLiteral("/p")},       {QStringLiteral("/i"), QStringLiteral("/p=1"), QStringLiteral("/p=2")},
        {QStringLiteral("/p=12")},
    };
    for (const QStringList& arguments : refused)
        EXPECT_FALSE(PackageInstallerCommandLine::parse(arguments).error.isEmpty())
            << arguments.join(QLatin1Char(' ')).toStdString();
}
