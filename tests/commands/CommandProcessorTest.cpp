#include "CommandTestFixture.h"

#include "controller/CommandStatus.h"

#include "services/Trace.h"
#include "support/clsGenericURI.h"

#include <QFileInfo>

namespace {

using Line = RecordingLogger::Line;

QString processing(const QString& text)
{
    return QStringLiteral("Processing command:") + text;
}

} // namespace

class CommandProcessorTest : public CommandTestFixture {
protected:
    QStringList processed() const
    {
        QStringList texts;
        for (const auto& line : logger->lines)
            if (line.text.startsWith(QStringLiteral("Processing command:")))
                texts << line.text.mid(19);
        return texts;
    }
};

TEST_F(CommandProcessorTest, RunsDueEntriesEarliestFirstAndTiesInSectionOrder)
{
    addCommand(QStringLiteral("late"), QStringLiteral("q:/set?scope=S&name=late&value=1"), 10);
    addCommand(QStringLiteral("tieA"), QStringLiteral("q:/set?scope=S&name=tieA&value=1"), -30);
    addCommand(QStringLiteral("early"), QStringLiteral("q:/set?scope=S&name=early&value=1"), -90);
    addCommand(QStringLiteral("tieB"), QStringLiteral("q:/set?scope=S&name=tieB&value=1"), -30);
    addCommand(QStringLiteral("future"), QStringLiteral("q:/set?scope=S&name=future&value=1"), 25);

    tick();

    EXPECT_EQ(processed(), (QStringList{QStringLiteral("q:/set?scope=S&name=early&value=1"),
                                        QStringLiteral("q:/set?scope=S&name=tieA&value=1"),
                                        QStringLiteral("q:/set?scope=S&name=tieB&value=1"),
                                        QStringLiteral("q:/set?scope=S&name=late&value=1")}));
    EXPECT_EQ(entry(QStringLiteral("early")).Status(), IniCommandEntry::kDoneStatus);
    EXPECT_TRUE(entry(QStringLiteral("future")).Status().isEmpty());
    EXPECT_FALSE(ini->KeyExists(QStringLiteral("S"), QStringLiteral("future")));
}

TEST_F(CommandProcessorTest, PlainEntryWrittenByAnotherComponentRunsAtOnceAndIsKeptDone)
{
    ini->WriteString(IniSections::Commands, QStringLiteral("c1"), QStringLiteral("q:/update?package=p.tar.gz"));

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate(p.tar.gz)")});
    const IniCommandEntry done = entry(QStringLiteral("c1"));
    EXPECT_EQ(done.Status(), IniCommandEntry::kDoneStatus);
    EXPECT_EQ(done.CommandText(), QStringLiteral("q:/update?package=p.tar.gz"));
    EXPECT_EQ(logger->lines.last(), (Line{QStringLiteral("Update Command Loaded: "), Trace::ProgressSeverity}));

    tick();
    EXPECT_EQ(utility->calls.size(), 1) << "a completed entry is not offered again";
}

TEST_F(CommandProcessorTest, DuplicatesDueWithinADayRunOnce)
{
    const QString text = QStringLiteral("q:/update?package=p.tar.gz");
    addCommand(QStringLiteral("a"), text, -10);
    addCommand(QStringLiteral("b"), text, -20);
    addCommand(QStringLiteral("c"), text, 23 * 3600);
    addCommand(QStringLiteral("d"), text, 25 * 3600);
    addCommand(QStringLiteral("other"), QStringLiteral("q:/update?package=o.tar.gz"), 3600);

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate(p.tar.gz)")});
    // The earliest runs; the copies are completed without running, and say so.
    EXPECT_EQ(entry(QStringLiteral("b")).Status(), IniCommandEntry::kDoneStatus);
    for (const QString& key : {QStringLiteral("a"), QStringLiteral("c")})
        EXPECT_EQ(entry(key).Status(), CommandStatus::kDuplicate) << key.toStdString();
    EXPECT_TRUE(entry(QStringLiteral("d")).Status().isEmpty());
    EXPECT_TRUE(entry(QStringLiteral("other")).Status().isEmpty());
}

TEST_F(CommandProcessorTest, EntryWithAStatusNeverRuns)
{
    addCommand(QStringLiteral("failed"), QStringLiteral("q:/update?package=p.tar.gz"), -60, QStringLiteral("failed"));
    const QString before = ini->GetString(IniSections::Commands, QStringLiteral("failed"));

    tick();

    EXPECT_TRUE(utility->calls.isEmpty());
    EXPECT_TRUE(logger->lines.isEmpty());
    EXPECT_EQ(ini->GetString(IniSections::Commands, QStringLiteral("failed")), before);
}

TEST_F(CommandProcessorTest, CommandPathInCapitalsIsAccepted)
{
    addCommand(QStringLiteral("a"), QStringLiteral("Q:/UPDATE?package=p.tar.gz"), -20);
    addCommand(QStringLiteral("b"), QStringLiteral("q:/Set?scope=S&name=k&value=v"), -10);

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate(p.tar.gz)")});
    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("v"));
}

TEST_F(CommandProcessorTest, UnknownAndMalformedCommandsAreLoggedAndCompleted)
{
    struct Case {
        QString text;
    };
    const Case cases[] = {{QStringLiteral("q:/reboot")}, {QStringLiteral("no colon at all")}, {QString()},
                          {QStringLiteral("q:/upload?remote=x")}, {QStringLiteral("q:/set?name=a&value=b")}};
    const QString expectedPrefix[] = {QStringLiteral("Unknown command:"), QStringLiteral("Unknown command:"),
                                      QStringLiteral("Unknown command:"),
                                      QStringLiteral("Command not formed correctly "),
                                      QStringLiteral("Set command failed: ")};
    for (size_t i = 0; i < std::size(cases); ++i) {
        logger->lines.clear();
        addCommand(QStringLiteral("k%1").arg(i), cases[i].text);
        tick();
        ASSERT_EQ(logger->lines.size(), 2) << cases[i].text.toStdString();
        EXPECT_EQ(logger->lines[0], (Line{processing(cases[i].text), Trace::ProgressSeverity}));
        EXPECT_EQ(logger->lines[1], (Line{expectedPrefix[i] + cases[i].text, Trace::CommandFailureSeverity}));
        EXPECT_EQ(entry(QStringLiteral("k%1").arg(i)).Status(), CommandStatus::kFailed);
    }
}

TEST_F(CommandProcessorTest, PackageNameWithAFolderPartIsRefused)
{
    const QString packages[] = {QStringLiteral("../p.tar.gz"), QStringLiteral("/tmp/p.tar.gz"),
                                QStringLiteral("sub/p.tar.gz"), QStringLiteral("..\\p.tar.gz"), QStringLiteral("..")};
    const QString commands[] = {QStringLiteral("/update"), QStringLiteral("/install"), QStringLiteral("/uninstall")};
    utility->count = 2;
    host.engineAlreadyRunning();
    int n = 0;
    for (const QString& command : commands) {
        for (const QString& package : packages) {
            logger->lines.clear();
            const QString key = QStringLiteral("k%1").arg(n++);
            addCommand(key, QStringLiteral("q:") + command + QStringLiteral("?package=")
                                + clsGenericURI::Escape(package));
            tick();
            ASSERT_EQ(logger->lines.size(), 2);
            EXPECT_EQ(logger->lines[1],
                      (Line{QStringLiteral("Command Failed: Package name must not name a folder: ") + package,
                            Trace::CommandFailureSeverity}));
            EXPECT_EQ(entry(key).Status(), CommandStatus::kFailed);
        }
    }
    EXPECT_TRUE(utility->calls.isEmpty());
    EXPECT_TRUE(installer->calls.isEmpty());
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(CommandProcessorTest, ComponentThatCannotBeCreatedIsRecordedAndTheEntryStaysPending)
{
    ComponentRegistry::unregisterFactory(ConfigurationUtility::kClassId);
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update"));

    tick();

    EXPECT_TRUE(errorHandler->events.contains(QStringLiteral("record 429 frmController.Sub tmrCommand_Timer")))
        << errorHandler->events.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
    EXPECT_TRUE(entry(QStringLiteral("u")).Status().isEmpty()) << "tried again on the next tick";
}

TEST_F(CommandProcessorTest, EntryThatCannotKeepItsStateRunsOncePerTick)
{
    class ForgetfulEntry : public IniCommandEntry {
    public:
        void Complete() override {}
    };
    ComponentRegistry::registerFactory(CommandEntry::kClassId, [] { return std::make_shared<ForgetfulEntry>(); });
    addCommand(QStringLiteral("a"), QStringLiteral("q:/update?package=p.tar.gz"));
    addCommand(QStringLiteral("b"), QStringLiteral("q:/update?package=p.tar.gz"));

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate(p.tar.gz)")});
}

// An update reads its package while events run; a tick that the timer starts meanwhile does
// nothing, so no entry runs twice or out of turn.
TEST_F(CommandProcessorTest, TickStartedWhileATickRunsDoesNothing)
{
    addCommand(QStringLiteral("u"), QStringLiteral("q:/update?package=p.tar.gz"), -20);
    addCommand(QStringLiteral("s"), QStringLiteral("q:/set?scope=S&name=k&value=1"), -10);
    int inner = 0;
    utility->beginUpdate = [&](QString&) {
        if (inner++ == 0) {
            tick();
            EXPECT_FALSE(ini->KeyExists(QStringLiteral("S"), QStringLiteral("k"))) << "not run inside the update";
        }
    };

    tick();

    EXPECT_EQ(utility->calls, QStringList{QStringLiteral("BeginUpdate(p.tar.gz)")});
    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("1"));
    EXPECT_EQ(processed().size(), 2);
}
