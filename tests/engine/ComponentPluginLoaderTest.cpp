#include "common/TestEnvironment.h"
#include "common/TestFiles.h"
#include "components/BuiltInComponents.h"
#include "platform/ComponentPluginLoader.h"
#include "platform/ComponentRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString testPlugin(const QString& name)
{
    return QStringLiteral(PCQUIBA_TEST_PLUGIN_DIR "/lib%1.so").arg(name);
}

class ComponentPluginLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ComponentPluginLoader::takeMessages(); }
    void TearDown() override
    {
        ComponentPluginLoader::setLogFunction({});
        ComponentPluginLoader::takeMessages();
        ComponentRegistry::unregisterFactory(QStringLiteral("QuibaTest.Echo"));
        BuiltInComponents::registerAll();
    }

    static QStringList messageTexts()
    {
        QStringList texts;
        for (const auto& message : ComponentPluginLoader::takeMessages())
            texts.append(message.text);
        return texts;
    }
};

TEST_F(ComponentPluginLoaderTest, APluginsClassesAreCreatedByNameAndReplaceTheBuiltInOfTheSameName)
{
    ASSERT_EQ(ComponentRegistry::create(QStringLiteral("QuibaLexicon.Lexicon"))->className(), QStringLiteral("Lexicon"));
    ASSERT_FALSE(ComponentRegistry::isRegistered(QStringLiteral("QuibaTest.Echo")));
    EXPECT_FALSE(ComponentPluginLoader::provides(QStringLiteral("QuibaLexicon.Lexicon"))) << "a built-in only";

    ASSERT_TRUE(ComponentPluginLoader::loadFile(testPlugin(QStringLiteral("test_component"))));
    EXPECT_TRUE(ComponentPluginLoader::provides(QStringLiteral("quibalexicon.lexicon")));
    EXPECT_FALSE(ComponentPluginLoader::provides(QStringLiteral("QuibaRules.RulesEngine")));

    EXPECT_EQ(ComponentRegistry::create(QStringLiteral("quibatest.echo"))->className(), QStringLiteral("Plugin QuibaTest.Echo"));
    EXPECT_EQ(ComponentRegistry::create(QStringLiteral("QuibaLexicon.Lexicon"))->className(),
              QStringLiteral("Plugin QuibaLexicon.Lexicon"));
    // The plugin's own line comes first, then the loader's.
    EXPECT_EQ(messageTexts(),
              (QStringList{QStringLiteral("Test component ready"),
                           QStringLiteral("Component plugin loaded: %1 (QuibaTest.Echo, QuibaLexicon.Lexicon)")
                               .arg(testPlugin(QStringLiteral("test_component")))}));
}

TEST_F(ComponentPluginLoaderTest, FilesThatAreNoPluginOfThisVersionAreSkippedWithAMessage)
{
    QTemporaryDir folder;
    const QString textFile = folder.filePath(QStringLiteral("readme.so"));
    const QString garbage = folder.filePath(QStringLiteral("garbage.so"));
    {
        ASSERT_TRUE(TestFiles::write(textFile, "This is not a shared library.\n"));
    }
    {
        ASSERT_TRUE(TestFiles::write(garbage, QByteArray("\x7f" "ELF\x02\x01\x01", 7) + QByteArray(200, '\xff')));
    }
    const struct {
        QString file;
        QString reason;
    } cases[] = {
        {textFile, QStringLiteral("not a plugin")},
        {garbage, QStringLiteral("not a plugin")},
        {testPlugin(QStringLiteral("test_not_a_plugin")), QStringLiteral("not a plugin")},
        {testPlugin(QStringLiteral("test_other_version")),
         QStringLiteral("built for interface version 0, this program loads version 1")},
        {folder.filePath(QStringLiteral("missing.so")), QStringLiteral("not a plugin")},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.file.toStdString());
        EXPECT_FALSE(ComponentPluginLoader::loadFile(testCase.file));
        EXPECT_EQ(messageTexts(),
                  QStringList{QStringLiteral("Component plugin skipped: %1: %2").arg(testCase.file, testCase.reason)});
    }
    EXPECT_EQ(ComponentRegistry::create(QStringLiteral("QuibaLexicon.Lexicon"))->className(), QStringLiteral("Lexicon"));
}

TEST_F(ComponentPluginLoaderTest, AFolderLoadSkipsTheBadFilesAndLoadsTheRest)
{
    EXPECT_EQ(ComponentPluginLoader::loadFrom({QStringLiteral(PCQUIBA_TEST_PLUGIN_DIR)}), 1);
    const QStringList texts = messageTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(ComponentRegistry::isRegistered(QStringLiteral("QuibaTest.Echo")));
    EXPECT_EQ(texts.filter(QStringLiteral("Component plugin skipped: ")).size(), 2);
}

TEST_F(ComponentPluginLoaderTest, NothingIsLoadedFromTheProgramRoot)
{
    const QString inRoot = TestEnvironment::root() + QStringLiteral("/components");
    ASSERT_TRUE(QDir().mkpath(inRoot));
    ASSERT_TRUE(QFile::copy(testPlugin(QStringLiteral("test_component")), inRoot + QStringLiteral("/libplanted.so")));

    EXPECT_EQ(ComponentPluginLoader::loadFrom({inRoot}), 0);
    EXPECT_FALSE(ComponentRegistry::isRegistered(QStringLiteral("QuibaTest.Echo")));
    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("Component folder ignored: %1 lies in the program root").arg(inRoot)});
    QDir(inRoot).removeRecursively();
}

TEST_F(ComponentPluginLoaderTest, KeptMessagesGoToTheLogFunctionOnceThereIsOneAndLaterOnesGoStraightThere)
{
    EXPECT_FALSE(ComponentPluginLoader::loadFile(testPlugin(QStringLiteral("test_not_a_plugin"))));
    QList<ComponentPluginLoader::Message> logged;
    ComponentPluginLoader::setLogFunction(
        [&](const QString& text, qint32 severity) { logged.append({text, severity}); });
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged.first().severity, 2);

    EXPECT_FALSE(ComponentPluginLoader::loadFile(testPlugin(QStringLiteral("test_other_version"))));
    EXPECT_EQ(logged.size(), 2);
    EXPECT_TRUE(ComponentPluginLoader::takeMessages().isEmpty());
}

TEST(ComponentPluginFoldersTest, AreBesideTheExecutableAndUnderTheInstallPrefix)
{
    const QStringList folders = ComponentPluginLoader::defaultFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders.at(0), QCoreApplication::applicationDirPath() + QStringLiteral("/components"));
    EXPECT_EQ(folders.at(1), QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/pcquiba/components"));
    EXPECT_EQ(folders.at(2), QStringLiteral(PCQUIBA_INSTALL_PREFIX "/lib/pcquiba/components"));
    for (const QString& folder : folders)
        EXPECT_FALSE(folder.startsWith(TestEnvironment::root()));
}

} // namespace
