#include "services/MessageBoxes.h"
#include "services/ProcessState.h"
#include "app/ServiceStartup.h"
#include "services/Services.h"
#include "app/modMain.h"
#include "services/PrivateData.h"
#include "common/TestEnvironment.h"
#include "common/TestEventLoop.h"
#include "components/BuiltInComponents.h"
#include "config/clsINIFile.h"
#include "controller/ConfigurationUtility.h"
#include "controller/frmController.h"
#include "fakes/FakeRulesEngine.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "platform/ComponentRegistry.h"
#include "platform/DailyLogFile.h"
#include "platform/SingleInstance.h"
#include "ui/frmSplash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

using Entries = QList<QPair<QString, QString>>;

Entries entries(const Dictionary& dictionary)
{
    Entries result;
    for (const QString& key : dictionary.keys())
        result.append({key, dictionary.itemIfPresent(key).toString()});
    return result;
}

void writeFile(const QString& fileName, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

TEST(ParseCommandLineTest, SwitchesValuesAndPositionalWords)
{
    const struct {
        QString commandLine;
        Entries expected;
    } cases[] = {
        {u"/s"_s, {{u"/s"_s, u""_s}}},
        {u"/splash"_s, {{u"/s"_s, u""_s}}},
        {u"/g=Main"_s, {{u"/g"_s, u"Main"_s}}},
        {u"/g:Main"_s, {{u"/g"_s, u"Main"_s}}},
        {u"/c \"1234 PRINTER\""_s, {{u"/c"_s, u""_s}, {u"pos1"_s, u"1234 PRINTER"_s}}},
        {u"/c=\"1234 PRINTER\""_s, {{u"/c"_s, u"1234 PRINTER"_s}}},
        {u"/c='1234 PRINTER'"_s, {{u"/c"_s, u"1234 PRINTER"_s}}},
        {u"/F /S"_s, {{u"/f"_s, u""_s}, {u"/s"_s, u""_s}}},
        {u"-f -s"_s, {{u"/f"_s, u""_s}, {u"/s"_s, u""_s}}},
        {u"/s=5 /s=9 /S=7"_s, {{u"/s"_s, u"5"_s}}},
        {u"/s5"_s, {{u"/s"_s, u""_s}}},
        {u"/s=5"_s, {{u"/s"_s, u"5"_s}}},
        {u"a 'b c'\t\"d\" e"_s, {{u"pos1"_s, u"a"_s}, {u"pos2"_s, u"b c"_s}, {u"pos3"_s, u"d"_s}, {u"pos4"_s, u"e"_s}}},
        {u"/g=a'b\"c"_s, {{u"/g"_s, u"a'b\"c"_s}}},
        {u"/c='unclosed value"_s, {{u"/c"_s, u"unclosed value"_s}}},
        {u"\"unclosed"_s, {{u"pos1"_s, u"unclosed"_s}}},
        {u"/"_s, {{u"/"_s, u""_s}}},
        {u"--help"_s, {{u"/-"_s, u""_s}}},
        {u"   "_s, {}},
        {u""_s, {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.commandLine.toStdString());
        EXPECT_EQ(entries(*modMain::ParseCommandLine(testCase.commandLine, false)), testCase.expected);
    }
}

TEST(ParseCommandLineTest, CaseOfKeysFollowsTheFlag)
{
    const auto insensitive = modMain::ParseCommandLine(u"/S=1"_s, false);
    EXPECT_EQ(entries(*insensitive), (Entries{{u"/s"_s, u"1"_s}}));
    EXPECT_TRUE(insensitive->exists(u"/S"_s));

    const auto sensitive = modMain::ParseCommandLine(u"/S=1 /s=2"_s, true);
    EXPECT_EQ(entries(*sensitive), (Entries{{u"/S"_s, u"1"_s}, {u"/s"_s, u"2"_s}}));
}

TEST(ParseCommandLineTest, HostileInputNeverBreaksIt)
{
    // A megabyte of words: positions stop counting at the largest 16-bit number.
    QString many;
    for (int word = 0; word < 40000; ++word)
        many += u"w "_s;
    many += QString(1 << 20, u'x');
    const auto words = modMain::ParseCommandLine(many, false);
    EXPECT_EQ(words->count(), modMain::kMostPositions);
    EXPECT_TRUE(words->exists(u"pos32767"_s));

    QString nulBytes = u"/g=a"_s;
    nulBytes += QChar(0);
    nulBytes += u"b /s"_s;
    EXPECT_EQ(entries(*modMain::ParseCommandLine(nulBytes, false)),
              (Entries{{u"/g"_s, u"a"_s + QChar(0) + u"b"_s}, {u"/s"_s, u""_s}}));

    const auto quotes = modMain::ParseCommandLine(QString(100000, u'"'), false);
    EXPECT_LE(quotes->count(), 100000);
}

TEST(ParseCommandLineTest, ShellArgumentsAreJoinedWithTheirBlanksQuoted)
{
    // Argument list -> command line -> the switches Main reads from it.
    const struct {
        QStringList arguments;
        QString commandLine;
        Entries switches;
    } cases[] = {
        {{u"/s=5"_s}, u"/s=5"_s, {{u"/s"_s, u"5"_s}}},
        {{u"/c=1234 PRINTER"_s}, u"/c=\"1234 PRINTER\""_s, {{u"/c"_s, u"1234 PRINTER"_s}}},
        {{u"/c"_s, u"1234 PRINTER"_s}, u"/c \"1234 PRINTER\""_s, {{u"/c"_s, u""_s}, {u"pos1"_s, u"1234 PRINTER"_s}}},
        {{u"/g=say \"hi\""_s}, u"/g='say \"hi\"'"_s, {{u"/g"_s, u"say \"hi\""_s}}},
        // A shell that kept the quotes already gives them: they are not quoted again.
        {{u"/c=\"518042 Printer\""_s}, u"/c=\"518042 Printer\""_s, {{u"/c"_s, u"518042 Printer"_s}}},
        {{u"-c:\"518042 Printer\""_s, u"/f"_s}, u"-c:\"518042 Printer\" /f"_s,
         {{u"/c"_s, u"518042 Printer"_s}, {u"/f"_s, u""_s}}},
        {{u"\"two words\""_s}, u"\"two words\""_s, {{u"pos1"_s, u"two words"_s}}},
        {{u"/g='a \"b\" c'"_s}, u"/g='a \"b\" c'"_s, {{u"/g"_s, u"a \"b\" c"_s}}},
        // Only a value quoted from end to end counts as quoted.
        {{u"/g=\"a\" b"_s}, u"/g='\"a\" b'"_s, {{u"/g"_s, u"\"a\" b"_s}}},
        {{}, u""_s, {}},
    };
    for (const auto& testCase : cases) {
        const QString commandLine = modMain::commandLineFromArguments(testCase.arguments);
        EXPECT_EQ(commandLine, testCase.commandLine);
        EXPECT_EQ(entries(*modMain::ParseCommandLine(commandLine, false)), testCase.switches) << commandLine.toStdString();
    }
}

TEST(FlushFragmentFolderTest, DeletesOnlyRegularFilesDirectlyInside)
{
    QTemporaryDir base;
    const QString folder = base.filePath(u"fragments"_s);
    const QString outside = base.filePath(u"keep.txt"_s);
    writeFile(folder + u"/a.xml"_s, "a");
    writeFile(folder + u"/.hidden"_s, "h");
    writeFile(folder + u"/readonly.xml"_s, "r");
    QFile::setPermissions(folder + u"/readonly.xml"_s, QFileDevice::ReadOwner);
    writeFile(folder + u"/sub/inner.xml"_s, "i");
    writeFile(outside, "k");
    ASSERT_TRUE(QFile::link(outside, folder + u"/link.txt"_s));

    modMain::flushFragmentFolder(folder);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{u"link.txt"_s, u"sub"_s}));
    EXPECT_TRUE(QFile::exists(folder + u"/sub/inner.xml"_s));
    EXPECT_TRUE(QFile::exists(outside));
}

TEST(FlushFragmentFolderTest, LeavesDangerousFoldersAlone)
{
    QTemporaryDir base;
    const QString real = base.filePath(u"real"_s);
    writeFile(real + u"/a.xml"_s, "a");
    ASSERT_TRUE(QFile::link(real, base.filePath(u"linked"_s)));
    const QString root = TestEnvironment::root();
    writeFile(root + u"/precious.txt"_s, "p");

    for (const QString& folder : {QString(), u"   "_s, u"/"_s, root, root + u"/"_s, base.filePath(u"linked"_s),
                                  base.filePath(u"missing"_s)}) {
        SCOPED_TRACE(folder.toStdString());
        modMain::flushFragmentFolder(folder);
    }
    EXPECT_TRUE(QFile::exists(real + u"/a.xml"_s));
    EXPECT_TRUE(QFile::exists(root + u"/precious.txt"_s));
    QFile::remove(root + u"/precious.txt"_s);
}

TEST(SingleInstanceTest, ASecondLockOnTheFileIsRefused)
{
    QTemporaryDir folder;
    EXPECT_EQ(SingleInstance::claimLockFile(folder.path()), SingleInstance::Claim::Owned);
    EXPECT_EQ(SingleInstance::claimLockFile(folder.path()), SingleInstance::Claim::AlreadyRunning);
}

// A lexicon that remembers the file it was loaded from.
class LoadedLexicon : public Lexicon {
public:
    QString className() const override { return u"LoadedLexicon"_s; }
    void load(const QString& fileName) override { loadedFrom = fileName; }
    QString text(const QString&, const QString&, const QString& defaultText, const VariantArray&) override
    {
        return defaultText;
    }
    QString loadedFrom;
};

// A configuration utility that writes the panel and PIN it was opened with.
class AskedUtility : public ConfigurationUtility {
public:
    QString className() const override { return u"AskedUtility"_s; }
    bool ShowPanel(QString& panel, QString& pin) override
    {
        asked.append(u"Panel="_s + panel + u" PIN="_s + pin);
        return false;
    }
    void BeginUpdate(QString&) override {}
    qint16 FilesToInstall(bool&, QString&) override { return 0; }
    static inline QStringList asked;
};

class MainTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        // Test programs run side by side on one bus: each holds its instance by a lock file in
        // its own program root, which MainInitialise then finds held.
        if (SingleInstance::claimedBy().isEmpty()) {
            ASSERT_EQ(SingleInstance::claimLockFile(TestEnvironment::root()), SingleInstance::Claim::Owned);
        }
        iniFileName = TestEnvironment::root() + u"/config/pcQUIBA.ini"_s;
        lexicon = std::make_shared<LoadedLexicon>();
        ComponentRegistry::registerFactory(ServiceStartup::kErrorHandlerClass, [this] { return errorHandler; });
        ComponentRegistry::registerFactory(ServiceStartup::kLoggerClass, [this] { return logger; });
        ComponentRegistry::registerFactory(ServiceStartup::kLexiconClass, [this] { return lexicon; });
        ComponentRegistry::registerFactory(ConfigurationUtility::kClassId, [] { return std::make_shared<AskedUtility>(); });
        FakeRulesEngine::install();
        AskedUtility::asked.clear();
        boxes.clear();
        MessageBoxes::setHandler([this](const MessageBoxes::Request& request) {
            boxes.append(request.text);
            return request.defaultAnswer;
        });
    }

    void TearDown() override
    {
        frmSplash::unload();
        frmController::unload();
        TestEventLoop::runPending();
        QFile::remove(iniFileName);
        QDir(TestEnvironment::root() + u"/config/pcQUIBA.ini"_s).removeRecursively();
        MessageBoxes::setHandler({});
        BuiltInComponents::registerAll();
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    // The process as MainInitialise leaves it, without the start-up steps under test here.
    void initialiseWith(const QByteArray& ini)
    {
        writeFile(iniFileName, ini);
        ASSERT_FALSE(modMain::MainInitialise().has_value());
    }

    QString iniFileName;
    std::shared_ptr<LoadedLexicon> lexicon;
    QStringList boxes;
};

TEST_F(MainTest, MainInitialiseBuildsTheProcessState)
{
    initialiseWith("[GENERAL]\r\nwell_behaved=False\r\ndebug=True\r\n[PRINTER]\r\nclass=Receipts.Printer\r\n");
    const ProcessState& state = ProcessState::instance();
    EXPECT_TRUE(state.initialised);
    EXPECT_EQ(state.versionString, ServiceStartup::versionString());
    EXPECT_FALSE(state.wellBehaved);
    EXPECT_EQ(logger->threshold, 0);
    EXPECT_EQ(state.printerClass, u"Receipts.Printer"_s);
    EXPECT_FALSE(state.dataPath.isEmpty());
    EXPECT_FALSE(state.fragmentPath.isEmpty());
    EXPECT_FALSE(lexicon->loadedFrom.isEmpty());
    EXPECT_EQ(state.ini->GetString(u"GENERAL"_s, u"software_id"_s), ServiceStartup::versionString());
    EXPECT_EQ(logger->texts().mid(0, 3), (QStringList{u"*"_s, u"Initialising pcQUIBA, version "_s
                                                                  + ServiceStartup::versionString(), u"*"_s}));
    EXPECT_TRUE(errorHandler->events.contains(u"enter modMain.Sub MainInitialise"_s));
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);

    // Once only.
    logger->lines.clear();
    EXPECT_FALSE(modMain::MainInitialise().has_value());
    EXPECT_TRUE(logger->lines.isEmpty());
}

TEST_F(MainTest, PrivateDataIsLoggedUnlessTheSettingSaysFalse)
{
    const struct {
        QByteArray ini;
        bool logged;
    } cases[] = {
        {"[GENERAL]\r\n", true},
        {"[GENERAL]\r\nlog_private_data=False\r\n", false},
        {"[GENERAL]\r\nlog_private_data=0\r\n", false},
        {"[GENERAL]\r\nlog_private_data=True\r\n", true},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.ini.constData());
        PrivateData::setLogged(!testCase.logged);
        initialiseWith(testCase.ini);
        EXPECT_EQ(PrivateData::logged(), testCase.logged);
        ProcessState::reset();
    }
    PrivateData::setLogged(true);
}

TEST_F(MainTest, StartUpRemovesDatedLogsOlderThanTheRetentionDays)
{
    const struct {
        QByteArray ini;
        int keptDays;
    } cases[] = {
        {"[GENERAL]\r\ndata_retention_days=3\r\n", 3},
        {"[GENERAL]\r\n", 7},
        {"[GENERAL]\r\ndata_retention_days=0\r\n", 1},
        {"[GENERAL]\r\ndata_retention_days=99999999999\r\n", 7},
    };
    const QDate today(2026, 12, 11);
    Clock::set(QDateTime(today, QTime(9, 0)));
    const auto dated = [&](int daysAgo) {
        return TestEnvironment::root() + u"/logs/error-"_s + today.addDays(-daysAgo).toString(u"yyyy-MM-dd"_s) +
               u".log"_s;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini.toStdString());
        ProcessState::reset();
        writeFile(dated(c.keptDays), "kept\n");
        writeFile(dated(c.keptDays + 1), "too old\n");

        initialiseWith(c.ini);

        EXPECT_TRUE(QFile::exists(dated(c.keptDays)));
        EXPECT_FALSE(QFile::exists(dated(c.keptDays + 1)));
        QFile::remove(dated(c.keptDays));
    }
    DailyLogFile::forgetKeptDays();
    Clock::reset();
}

TEST_F(MainTest, AnIniFileThatCannotBeReadGivesTheDefaults)
{
    // A folder where the file should be: nothing can be read from it, nothing is written.
    QDir().mkpath(iniFileName);
    ASSERT_FALSE(modMain::MainInitialise().has_value());
    const ProcessState& state = ProcessState::instance();
    EXPECT_TRUE(state.initialised);
    EXPECT_FALSE(state.wellBehaved); // not read: stays False
    EXPECT_EQ(logger->threshold, -1);
    EXPECT_EQ(state.printerClass, QString());
}

TEST_F(MainTest, AnErrorHandlerThatCannotBeMadeIsShownAndEndsTheProcess)
{
    ComponentRegistry::unregisterFactory(ServiceStartup::kErrorHandlerClass);
    EXPECT_EQ(modMain::MainInitialise(), 1);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().startsWith(u"Unable to initialise Error Handler:\r\nError 429: "_s));
    EXPECT_FALSE(ProcessState::instance().initialised);
}

TEST_F(MainTest, WithoutADisplayTheErrorHandlerFailureGoesToStandardError)
{
    // In a child process: nobody can see a box offscreen, and there is no log yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ComponentRegistry::unregisterFactory(ServiceStartup::kErrorHandlerClass);
            MessageBoxes::setHandler({});
            std::exit(modMain::MainInitialise().value_or(0));
        },
        ::testing::ExitedWithCode(1), "pcQUIBA: Unable to initialise Error Handler:\r?\nError 429: ");
}

TEST_F(MainTest, HandStartsDoWhatTheirSwitchSays)
{
    const struct {
        const char* name;
        QString commandLine;
        QByteArray ini;
        std::optional<int> end;
        int splashCountdown; // -1: no start screen
        QStringList engineCalls;
        QStringList utilityAsked;
    } cases[] = {
        {"unknown switch ends", u"/x"_s, "", 0, -1, {}, {}},
        {"empty, no standalone_start", u""_s, "", std::nullopt, 0, {}, {}},
        {"empty standalone_start", u""_s, "[GENERAL]\nstandalone_start=\n", std::nullopt, 0, {}, {}},
        {"standalone_start without slash", u""_s, "[GENERAL]\nstandalone_start=s=4\n", std::nullopt, 4, {}, {}},
        {"countdown", u"/s=5"_s, "", std::nullopt, 5, {}, {}},
        {"switch with digits", u"/s5"_s, "", std::nullopt, 0, {}, {}},
        {"not a number", u"/s=soon"_s, "", std::nullopt, 0, {}, {}},
        {"out of range", u"/s=99999"_s, "", std::nullopt, 0, {}, {}},
        {"kiosk", u"/g=Main"_s, "", std::nullopt, -1, {u"Initialise(True)"_s, u"ShowGUI(Main)"_s}, {}},
        {"settings with PIN and panel", u"/c=\"1234 PRINTER\""_s, "", std::nullopt, -1, {},
         {u"Panel=PRINTER PIN=1234"_s}},
        {"settings, more words", u"/c=\"GENERAL 1234 PRINTER 99\""_s, "", std::nullopt, -1, {},
         {u"Panel=GENERAL PIN=1234"_s}},
        {"settings, number after a blank", u"/c 1234"_s, "", std::nullopt, -1, {}, {u"Panel= PIN="_s}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        initialiseWith(testCase.ini);
        AskedUtility::asked.clear();

        EXPECT_EQ(modMain::Main(testCase.commandLine), testCase.end);
        EXPECT_TRUE(ProcessState::instance().wellBehaved);
        EXPECT_EQ(ProcessState::instance().automationTimeout, 60000);
        EXPECT_EQ(frmSplash::isLoaded() && frmSplash::instance().isVisible(), testCase.splashCountdown >= 0);
        if (testCase.splashCountdown >= 0) {
            EXPECT_EQ(frmSplash::instance().countdown(), testCase.splashCountdown);
        }
        const auto engine = FakeRulesEngine::last();
        EXPECT_EQ(engine && frmController::isLoaded() && frmController::instance().EngineReady() ? engine->calls
                                                                                                  : QStringList{},
                  testCase.engineCalls);
        EXPECT_EQ(AskedUtility::asked, testCase.utilityAsked);
        EXPECT_TRUE(errorHandler->events.filter(u"record 457"_s).isEmpty());

        frmSplash::unload();
        frmController::unload();
        TestEventLoop::runPending();
        ProcessState::reset();
    }
}

TEST_F(MainTest, FlushSwitchEmptiesTheFragmentFolderBeforeTheStartScreen)
{
    for (const QString& commandLine : {u"/F /S"_s, u"-f -s"_s}) {
        SCOPED_TRACE(commandLine.toStdString());
        QTemporaryDir fragments;
        initialiseWith("[FILES]\nfragment_path=" + fragments.path().toUtf8() + "\n");
        writeFile(fragments.filePath(u"one.frag"_s), "1");
        EXPECT_FALSE(modMain::Main(commandLine).has_value());
        EXPECT_FALSE(QFile::exists(fragments.filePath(u"one.frag"_s)));
        EXPECT_TRUE(frmSplash::instance().isVisible());
        frmSplash::unload();
        TestEventLoop::runPending();
        ProcessState::reset();
    }
}

TEST_F(MainTest, AnAutomationStartOnlyWaits)
{
    initialiseWith("[GENERAL]\nwell_behaved=False\n");
    ProcessState::instance().startedByAutomation = true;
    ProcessState::instance().automationTimeout = 5;
    EXPECT_FALSE(modMain::Main(u"/s=5"_s).has_value());
    EXPECT_EQ(ProcessState::instance().automationTimeout, 60000);
    EXPECT_FALSE(frmSplash::isLoaded());
    EXPECT_FALSE(frmController::isLoaded());
    EXPECT_FALSE(ProcessState::instance().wellBehaved);
}

TEST_F(MainTest, UnansweredMessageBoxesAreLoggedWithTheirDefault)
{
    MessageBoxes::setHandler({});
    const MessageBoxes::Request question{u"Stop?\r\nReally?"_s, u"pcQUIBA"_s, MessageBoxes::Buttons::YesNo,
                                         MessageBoxes::Answer::No};
    EXPECT_TRUE(MessageBoxes::unattended()); // the tests run on the offscreen platform
    EXPECT_EQ(MessageBoxes::show(question), MessageBoxes::Answer::No);
    ASSERT_FALSE(logger->lines.isEmpty());
    EXPECT_EQ(logger->lines.last(),
              (RecordingLogger::Line{u"MESSAGE: Stop? Really? --> No (nobody to answer)"_s, 2}));
}

} // namespace
