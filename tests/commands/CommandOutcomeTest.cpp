#include "CommandTestFixture.h"

#include "controller/CommandStatus.h"
#include "services/Trace.h"
#include "support/clsGenericURI.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Line = RecordingLogger::Line;

} // namespace

class CommandOutcomeTest : public CommandTestFixture {
protected:
    void SetUp() override
    {
        CommandTestFixture::SetUp();
        writeFile(iniPath, "[GENERAL]\nstandalone_start=0\n[FILES]\napp_path=/opt/kiosk\n[PRINTER]\nprinter_type=escpos\n"
                           "printer_device=tcp://10.0.0.9\n[S]\na=1\n\n[COMMANDS]\n");
        writeFile(root + QStringLiteral("/config/other.ini"), "[FILES]\napp_path=/x\n");
    }

    // Everything in the main INI file but the COMMANDS section.
    QByteArray settings() const
    {
        QByteArray text = readFile(iniPath);
        const qsizetype commands = text.indexOf("[COMMANDS]");
        return commands < 0 ? text : text.left(commands);
    }

    // Runs one command; its status afterwards.
    QString run(const QString& text)
    {
        logger->lines.clear();
        const QString key = QStringLiteral("k%1").arg(++m_count);
        addCommand(key, text);
        tick();
        return entry(key).Status();
    }

private:
    int m_count = 0;
};

TEST_F(CommandOutcomeTest, KioskOnlyKeysOfTheMainIniFileAreRefusedToARemoteSet)
{
    struct Case {
        QString command;
        QString refused; // SECTION/key of the log line
    };
    const Case cases[] = {
        {QStringLiteral("q:/set?scope=FILES&name=app_path&value=/tmp/evil"), QStringLiteral("FILES/app_path")},
        {QStringLiteral("q:/set?scope=files&name=APP_PATH"), QStringLiteral("files/APP_PATH")},
        {QStringLiteral("q:/set?file=pcQUIBA&scope=FILES&name=app_path&value=/tmp/evil"), QStringLiteral("FILES/app_path")},
        {QStringLiteral("q:/set?file=pcQUIBA.ini&scope=PRINTER&name=printer_device&value=/dev/sda"),
         QStringLiteral("PRINTER/printer_device")},
        {QStringLiteral("q:/set?scope=PRINTER&delete"), QStringLiteral("PRINTER/class")},
        {QStringLiteral("q:/set?scope=GENERAL&delete"), QStringLiteral("GENERAL/standalone_start")},
        {QStringLiteral("q:/set?scope=fleet&name=broker_url&value=mqtt://evil"), QStringLiteral("fleet/broker_url")},
        {QStringLiteral("q:/set?scope=FLEET&delete"), QStringLiteral("FLEET/broker_url")},
    };
    const QByteArray before = settings();
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.command), CommandStatus::kFailed) << c.command.toStdString();
        EXPECT_EQ(logger->lines.mid(1),
                  QList<Line>{(Line{QStringLiteral("Command Failed: %1 may only be changed on the kiosk").arg(c.refused),
                                    Trace::CommandFailureSeverity})})
            << c.command.toStdString();
        EXPECT_EQ(settings(), before) << c.command.toStdString();
    }

    // Every key the kiosk keeps to itself, written and erased.
    const QStringList keys{
        QStringLiteral("FILES/app_path"),       QStringLiteral("FILES/backup_path"),  QStringLiteral("FILES/download_path"),
        QStringLiteral("FILES/fragment_path"),  QStringLiteral("FILES/log_path"),     QStringLiteral("FILES/data_path"),
        QStringLiteral("FILES/lexicon"),        QStringLiteral("FILES/manifest_path"), QStringLiteral("FILES/otc_xml"),
        QStringLiteral("GENERAL/standalone_start"), QStringLiteral("GENERAL/log_private_data"),
        QStringLiteral("GENERAL/engine_timeout"), QStringLiteral("PRINTER/class"),  QStringLiteral("PRINTER/printer_type"),
        QStringLiteral("PRINTER/printer_device"), QStringLiteral("FLEET/broker_url"), QStringLiteral("FLEET/fleet_name"),
        QStringLiteral("FLEET/kiosk_id"),       QStringLiteral("FLEET/groups"),       QStringLiteral("FLEET/ca_file"),
        QStringLiteral("FLEET/cert_file"),      QStringLiteral("FLEET/key_file")};
    for (const QString& key : keys) {
        const QString section = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1);
        for (const QString& value : {QStringLiteral("&value=x"), QString()})
            EXPECT_EQ(run(QStringLiteral("q:/set?scope=%1&name=%2%3").arg(section, name, value)), CommandStatus::kFailed)
                << key.toStdString() << value.toStdString();
    }
    EXPECT_EQ(settings(), before);

    // Other keys, and the same keys in another INI file, stay the sender's to change.
    EXPECT_EQ(run(QStringLiteral("q:/set?scope=FILES&name=local_server_data_path&value=/srv")), CommandStatus::kDone);
    EXPECT_EQ(run(QStringLiteral("q:/set?file=other&scope=FILES&name=app_path&value=/y")), CommandStatus::kDone);
    EXPECT_EQ(readFile(root + QStringLiteral("/config/other.ini")), QByteArray("[FILES]\napp_path=/y\n"));
}

TEST_F(CommandOutcomeTest, StatusWordSaysWhetherTheCommandRanOrFailed)
{
    struct Case {
        QString command;
        QString status;
    };
    const Case cases[] = {
        {QStringLiteral("q:/set?scope=S&name=a&value=2"), CommandStatus::kDone},
        {QStringLiteral("q:/update?package=p.tar.gz"), CommandStatus::kDone},
        {QStringLiteral("q:/set?name=a&value=2"), CommandStatus::kFailed},
        {QStringLiteral("q:/set?file=missing&scope=S&name=a"), CommandStatus::kFailed},
        {QStringLiteral("q:/upload"), CommandStatus::kFailed},
        {QStringLiteral("q:/upload?local=../outside"), CommandStatus::kFailed},
        {QStringLiteral("q:/update?package=a/b.tar.gz"), CommandStatus::kFailed},
        {QStringLiteral("q:/reboot"), CommandStatus::kFailed},
        {QStringLiteral("no scheme at all"), CommandStatus::kFailed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.command), c.status) << c.command.toStdString();
        const bool levelFive = std::any_of(logger->lines.begin(), logger->lines.end(), [](const Line& line) {
            return line.severity == Trace::CommandFailureSeverity;
        });
        EXPECT_EQ(levelFive, c.status == CommandStatus::kFailed) << c.command.toStdString();
    }
}

TEST_F(CommandOutcomeTest, WholeEntryWithATimeThatIsNoTimeFailsOnceAndACutOneIsLeftAlone)
{
    const QString invalid = QStringLiteral("@2026-02-30 10:00:00||q:/update?package=p.tar.gz");
    const QString cut = QStringLiteral("@2026-12-10 11:5");
    ini->WriteString(IniSections::Commands, QStringLiteral("invalid"), invalid);
    ini->WriteString(IniSections::Commands, QStringLiteral("cut"), cut);

    tick();

    EXPECT_TRUE(utility->calls.isEmpty());
    const IniCommandEntry failed = entry(QStringLiteral("invalid"));
    EXPECT_EQ(failed.Status(), CommandStatus::kFailed);
    EXPECT_DOUBLE_EQ(failed.When(), now) << "its age counts from its completion";
    EXPECT_EQ(failed.CommandText(), QStringLiteral("q:/update?package=p.tar.gz"));
    EXPECT_EQ(ini->GetString(IniSections::Commands, QStringLiteral("cut")), cut);
    const Line failure{QStringLiteral("Command Failed: Command entry not run: invalid: its time 2026-02-30 10:00:00 is "
                                      "not a valid date and time"),
                       Trace::CommandFailureSeverity};
    EXPECT_EQ(logger->lines.count(failure), 1);

    logger->lines.clear();
    tick();
    EXPECT_EQ(logger->lines.count(failure), 0) << "logged once";
    EXPECT_TRUE(utility->calls.isEmpty());
}

TEST_F(CommandOutcomeTest, DuplicatesPassOverFinishedEntriesSoTheyAreStillPrunedInTime)
{
    const QString text = QStringLiteral("q:/update?package=p.tar.gz");
    // Finished three days ago; the same command comes again.
    addCommand(QStringLiteral("old"), text, -3 * 86400, CommandStatus::kDone);
    addCommand(QStringLiteral("failedBefore"), text, -2.5 * 86400, CommandStatus::kFailed);
    addCommand(QStringLiteral("new"), text, -10);

    tick();

    EXPECT_EQ(utility->calls.size(), 1);
    EXPECT_DOUBLE_EQ(entry(QStringLiteral("old")).When(), now - 3);
    EXPECT_EQ(entry(QStringLiteral("failedBefore")).Status(), CommandStatus::kFailed) << "its own outcome stays";
    EXPECT_DOUBLE_EQ(entry(QStringLiteral("new")).When(), now);

    // Five days on: the old entry is eight days finished and goes, the new one stays (default 7 days).
    Clock::set(DateValue::toDateTime(now + 5));
    tick();
    EXPECT_FALSE(ini->KeyExists(IniSections::Commands, QStringLiteral("old")));
    EXPECT_FALSE(ini->KeyExists(IniSections::Commands, QStringLiteral("failedBefore")));
    EXPECT_TRUE(ini->KeyExists(IniSections::Commands, QStringLiteral("new")));
}

TEST_F(CommandOutcomeTest, UploadSendsRegularFilesOnly)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("folder")));
    for (const QString& local : {QStringLiteral("pipe"), QStringLiteral("folder")}) {
        EXPECT_EQ(run(QStringLiteral("q:/upload?local=") + local), CommandStatus::kFailed);
        EXPECT_EQ(logger->lines.last(),
                  (Line{QStringLiteral("Command Failed: Upload file must be a regular file: ") + local,
                        Trace::CommandFailureSeverity}));
    }
    EXPECT_FALSE(host.connection) << "nothing was handed to the host";
}

// A kill between the change and the done mark must not leave a changed file whose command is still
// pending: both come with one rename over the main INI file.
TEST_F(CommandOutcomeTest, SetOfTheMainIniFileWritesTheValueAndTheDoneMarkInOneReplacement)
{
    addCommand(QStringLiteral("k"), QStringLiteral("q:/set?scope=S&name=a&value=2"));
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(root + QStringLiteral("/config")).constData(), IN_MOVED_TO), 0);

    tick();

    QStringList replaced;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t size; (size = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            replaced << QString::fromUtf8(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    ::close(watch);
    EXPECT_EQ(replaced, QStringList{QStringLiteral("pcQUIBA.ini")});
    EXPECT_EQ(ini->GetString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("2"));
    EXPECT_EQ(entry(QStringLiteral("k")).Status(), CommandStatus::kDone);
}
