#include "PrivateBus.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

struct Example {
    const char* name;
    // A program built beside the test programs, or an absolute one.
    QString program;
    QStringList arguments;
    // What the example needs before it runs; empty when it is ready, else why it is not.
    std::function<QString()> prepare = [] { return QString(); };
    // A script copied beside the test programs, the program's first argument.
    QString builtScript = {};

    QString programPath() const { return program.startsWith(u'/') ? program : PrivateBus::programPath(program); }
    QStringList allArguments() const
    {
        return builtScript.isEmpty() ? arguments : QStringList {PrivateBus::programPath(builtScript)} + arguments;
    }
};

// The Node.js example's one dependency, pinned in its lockfile, installed beside its copy in the
// build folder as its README tells a developer to (npm ci), once per lockfile.
QString installNodeModules()
{
    const QString folder = PrivateBus::programPath(QStringLiteral("examples/node"));
    const QFileInfo installed(folder + QStringLiteral("/node_modules/.package-lock.json"));
    const QFileInfo lock(folder + QStringLiteral("/package-lock.json"));
    if (installed.exists() && installed.lastModified() >= lock.lastModified())
        return {};
    QProcess npm;
    npm.setWorkingDirectory(folder);
    npm.start(QStringLiteral(PCQUIBA_NPM), {QStringLiteral("ci"), QStringLiteral("--omit=optional"), QStringLiteral("--no-audit"),
                                            QStringLiteral("--no-fund")});
    if (!npm.waitForFinished(600000) || npm.exitStatus() != QProcess::NormalExit || npm.exitCode() != 0)
        return QStringLiteral("npm ci in %1: %2 %3").arg(folder, QString::fromUtf8(npm.readAllStandardOutput()),
                                                          QString::fromUtf8(npm.readAllStandardError()));
    return {};
}

void PrintTo(const Example& example, std::ostream* out)
{
    *out << example.name;
}

class ExampleSovereignTest : public testing::TestWithParam<Example> {};

// Each example sells a top-up on a fresh machine: the bus starts pcQUIBA, the scripted customer
// chooses, the example answers the data request, commits, prints and releases.
TEST_P(ExampleSovereignTest, SellsAVoucherFromActivationToRelease)
{
    const QString notReady = GetParam().prepare();
    ASSERT_TRUE(notReady.isEmpty()) << notReady.toStdString();
    QTemporaryDir root;
    PrivateBus bus(root.path());
    ASSERT_FALSE(bus.address().isEmpty());
    QProcess sovereign;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    sovereign.setProcessEnvironment(environment);
    sovereign.start(GetParam().programPath(), GetParam().allArguments() + QStringList {QStringLiteral("--phone"), QStringLiteral("0498765432"),
                                                                            QStringLiteral("--customer"), QStringLiteral("choose TN-TOPUP")});
    ASSERT_TRUE(sovereign.waitForFinished(180000)) << "still running";
    const QString said = QString::fromUtf8(sovereign.readAllStandardOutput());
    const QString complaints = QString::fromUtf8(sovereign.readAllStandardError());
    ASSERT_EQ(sovereign.exitCode(), 0) << said.toStdString() << complaints.toStdString();

    EXPECT_TRUE(said.contains(QStringLiteral("OK: Terminal assigned to account SIM-"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("pcQUIBA asks for: Phone number"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("For: 0498765432"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Sold: 1 voucher(s)"))) << said.toStdString();
    // The PIN shown is the one the host issued, and its voucher was printed to PDF.
    const QRegularExpressionMatch pin = QRegularExpression(QStringLiteral("(\\d{4}) (\\d{4}) (\\d{4}) (\\d{4})")).match(said);
    ASSERT_TRUE(pin.hasMatch()) << said.toStdString();
    QFile issued(root.path() + QStringLiteral("/data/simulator/issued-pins.txt"));
    ASSERT_TRUE(issued.open(QIODevice::ReadOnly));
    const QString pinDigits = pin.captured(1) + pin.captured(2) + pin.captured(3) + pin.captured(4);
    EXPECT_TRUE(QString::fromUtf8(issued.readAll()).contains(pinDigits));
    EXPECT_EQ(QDir(root.path() + QStringLiteral("/data/printed")).entryList({QStringLiteral("*.pdf")}).size(), 1);

    // The customer's script was for this sale only: it is gone from the INI file again.
    QFile log(root.path() + QStringLiteral("/logs/pcQUIBA.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logged.contains(QStringLiteral("CALL: Settings.EraseSetting(\"SIMULATOR\", \"script\")")));
    QFile ini(root.path() + QStringLiteral("/config/pcQUIBA.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QRegularExpression scriptKey(QStringLiteral("^script="), QRegularExpression::MultilineOption);
    EXPECT_FALSE(QString::fromUtf8(ini.readAll()).contains(scriptKey));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleSovereignTest,
                         testing::Values(Example {"python", QStringLiteral("/usr/bin/python3"),
                                                  {QStringLiteral(PCQUIBA_SOURCE_DIR "/examples/python/sovereign.py")}},
                                         Example {"cpp", QStringLiteral("examples/cpp/example-sovereign"), {}},
                                         Example {"node", QStringLiteral(PCQUIBA_NODE), {}, installNodeModules,
                                                  QStringLiteral("examples/node/sovereign.js")}),
                         [](const testing::TestParamInfo<Example>& info) { return std::string(info.param.name); });

} // namespace
