#include "app/ServiceStartup.h"
#include "services/Services.h"
#include "common/TestEnvironment.h"
#include "fakes/RecordingLogger.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(ServiceStartupTest, VersionStringHasTwoDigitParts)
{
    const struct {
        int major, minor, revision;
        const char* expected;
    } cases[] = {
        {1, 10, 10, "VB.01.10.10"},
        {0, 0, 0, "VB.00.00.00"},
        {12, 3, 456, "VB.12.03.456"},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(ServiceStartup::versionString(testCase.major, testCase.minor, testCase.revision),
                  QString::fromLatin1(testCase.expected));
}

TEST(ServiceStartupTest, AStartWithoutAnEnginePluginSaysWhichComponentIsMissingAndWhichPackageProvidesIt)
{
    auto logger = std::make_shared<RecordingLogger>();
    Services::setLogger(logger);
    ServiceStartup::reportMissingEngine(); // this test program loads no plugin
    Services::reset();
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{{ServiceStartup::missingEngineLine(), 4}}));
    EXPECT_TRUE(ServiceStartup::missingEngineLine().contains(QStringLiteral("QuibaRules.RulesEngine")));
    EXPECT_TRUE(ServiceStartup::missingEngineLine().contains(QStringLiteral("package pcquiba-simulated")));
}

TEST(ServiceStartupTest, StartsTheServicesAndWritesTheBanner)
{
    QString failure;
    ASSERT_TRUE(ServiceStartup::startErrorHandler(failure)) << failure.toStdString();
    ServiceStartup::startLogger();
    const QString logName = TestEnvironment::root() + QStringLiteral("/logs/pcQUIBA.log");
    Services::reset();

    QFile file(logName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList texts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            texts.append(QString::fromUtf8(line).section(u' ', 2)); // severity and text
    }
    ASSERT_GE(texts.size(), 3);
    // The banner is written at the trace severity, 1.
    EXPECT_EQ(texts.mid(texts.size() - 3),
              (QStringList{QStringLiteral("1 *"),
                           QStringLiteral("1 Initialising pcQUIBA, version ") + ServiceStartup::versionString(),
                           QStringLiteral("1 *")}));
}

} // namespace
