#include "PrivateBus.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct AssignRun {
    int status;
    QString output;
    QString errors;
};

AssignRun assign(const QString& busAddress, const QStringList& arguments)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    program.setProcessEnvironment(environment);
    program.start(PrivateBus::programPath(QStringLiteral("pcquiba-assign")), arguments);
    if (!program.waitForFinished(180000)) {
        program.kill();
        return {-1, {}, QStringLiteral("still running")};
    }
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
}

// The simulated engine decides: codes whose last digit is the sum of the first five modulo 10.
TEST(PcquibaAssignTest, AssignsThroughPcquibaOnTheBusAndSaysWhatTheEngineAnswered)
{
    QTemporaryDir root;
    PrivateBus bus(root.path());
    ASSERT_FALSE(bus.address().isEmpty());
    const struct {
        QStringList arguments;
        int status;
        QString output;
    } cases[] = {
        {{QStringLiteral("TILL-9"), QStringLiteral("123456"), QStringLiteral("X")}, 1,
         QStringLiteral("FAILED: Assignment code 1 is not valid\n")},
        {{QStringLiteral("TILL-9"), QStringLiteral("123455"), QStringLiteral("X")}, 0,
         QStringLiteral("OK: Terminal assigned to account SIM-123455\n")},
        {{QStringLiteral("TILL-9"), QStringLiteral("111115"), QStringLiteral("X")}, 1,
         QStringLiteral("FAILED: Already assigned to account SIM-123455; assign with Force to move it\n")},
        {{QStringLiteral("TILL-9"), QStringLiteral("111115"), QStringLiteral("X"), QStringLiteral("--force")}, 0,
         QStringLiteral("OK: Terminal assigned to account SIM-111115\n")},
        // The host assigns by the machine's name (GENERAL/hardware_id is not set).
        {{QStringLiteral("--host")}, 0, QStringLiteral("OK: Terminal assigned to account SIM-")},
        {{QStringLiteral("--array"), QStringLiteral("TILL-9"), QStringLiteral("000000"), QStringLiteral("X"),
          QStringLiteral("Yes")},
         0, QStringLiteral("OK: Terminal assigned to account SIM-000000\n")},
    };
    for (const auto& testCase : cases) {
        const AssignRun run = assign(bus.address(), testCase.arguments);
        SCOPED_TRACE(testCase.arguments.join(u' ').toStdString() + " " + run.errors.toStdString());
        EXPECT_EQ(run.status, testCase.status);
        EXPECT_TRUE(run.output.startsWith(testCase.output)) << run.output.toStdString();
        EXPECT_TRUE(run.output.endsWith(u'\n')) << "one line";
    }
    QFile assignment(root.path() + QStringLiteral("/data/simulator/assignment.ini"));
    ASSERT_TRUE(assignment.open(QIODevice::ReadOnly));
    EXPECT_TRUE(assignment.readAll().contains("account=SIM-000000"));
}

TEST(PcquibaAssignTest, WrongArgumentsHelpAndVersionNeedNoBus)
{
    const struct {
        QStringList arguments;
        int status;
        const char* outputStart;
    } cases[] = {
        {{}, 2, ""},
        {{QStringLiteral("TILL-9"), QStringLiteral("123455")}, 2, ""},
        {{QStringLiteral("--host"), QStringLiteral("now")}, 2, ""},
        {{QStringLiteral("--array")}, 2, ""},
        {{QStringLiteral("--help")}, 0, "usage: pcquiba-assign HARDWARE_ID"},
        {{QStringLiteral("--version")}, 0, "pcquiba-assign VB."},
    };
    for (const auto& testCase : cases) {
        const AssignRun run = assign(QStringLiteral("unix:path=/nonexistent"), testCase.arguments);
        SCOPED_TRACE(testCase.arguments.join(u' ').toStdString());
        EXPECT_EQ(run.status, testCase.status);
        if (testCase.status == 2) {
            EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
            EXPECT_TRUE(run.errors.startsWith(QStringLiteral("usage: pcquiba-assign"))) << run.errors.toStdString();
        } else {
            EXPECT_TRUE(run.output.startsWith(QString::fromLatin1(testCase.outputStart))) << run.output.toStdString();
        }
    }
}

} // namespace
