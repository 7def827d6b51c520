#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString logOf(const QTemporaryDir& root)
{
    QFile log(root.path() + QStringLiteral("/logs/pcQUIBA.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QDBusMessage createAPI(QDBusConnection& connection)
{
    return connection.call(QDBusMessage::createMethodCall(PrivateBus::kService, PrivateBus::kRootPath, PrivateBus::kService, QStringLiteral("CreateAPI")),
                           QDBus::Block, 60000);
}

QString apiPath(const QDBusMessage& created)
{
    return qvariant_cast<QDBusVariant>(created.arguments().value(0)).variant().value<QDBusObjectPath>().path();
}

// Waits, within a generous bound, until the process is gone.
bool endsInTime(uint pid)
{
    QDeadlineTimer deadline(30000);
    while (QFile::exists(QStringLiteral("/proc/%1/exe").arg(pid)) && !deadline.hasExpired())
        QThread::msleep(20);
    return !QFile::exists(QStringLiteral("/proc/%1/exe").arg(pid));
}

// Starts pcquiba as this test's child, an automation start on the private bus, and waits until
// it owns its name; returns this process's connection to the bus.
QDBusConnection startOnBus(QProcess& program, const PrivateBus& bus, const QTemporaryDir& root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PCQUIBA_ROOT"), root.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    program.setProcessEnvironment(environment);
    // A crash the test makes leaves no core file.
    program.setChildProcessModifier([] {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
    });
    program.start(PrivateBus::programPath(QStringLiteral("pcquiba")), {QStringLiteral("--automation")});
    program.waitForStarted(30000);
    QDBusConnection connection = bus.connect();
    QDeadlineTimer deadline(30000);
    while (!connection.interface()->isServiceRegistered(PrivateBus::kService).value() && !deadline.hasExpired())
        QThread::msleep(20);
    return connection;
}

// Waits, within a generous bound, for the program to end; one that does not is killed.
bool finishes(QProcess& program)
{
    const bool finished = program.waitForFinished(30000);
    if (!finished)
        program.kill();
    return finished;
}

// pcquiba started by the first call of a Sovereign on a private bus, holding an API object (an
// engine running).
class ProgramLifetimeTest : public ::testing::Test {
protected:
    void startWithAnApiObject()
    {
        privateBus = std::make_unique<PrivateBus>(root.path());
        ASSERT_FALSE(privateBus->address().isEmpty());
        busConnection = std::make_unique<QDBusConnection>(startOnBus(program, *privateBus, root));
        const QDBusMessage created = createAPI(*busConnection);
        ASSERT_EQ(created.type(), QDBusMessage::ReplyMessage) << created.errorMessage().toStdString();
    }

    QTemporaryDir root;
    std::unique_ptr<PrivateBus> privateBus;
    QProcess program;
    std::unique_ptr<QDBusConnection> busConnection;
};

TEST_F(ProgramLifetimeTest, AnInheritedStarterVariableDoesNotMakeAHandStartAnAutomationStart)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PCQUIBA_ROOT"), root.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_STARTER_BUS_TYPE"), QStringLiteral("session"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    program.setProcessEnvironment(environment);
    // "/x" is no switch of a hand start: the program ends at once.
    program.start(PrivateBus::programPath(QStringLiteral("pcquiba")), {QStringLiteral("/x")});
    EXPECT_TRUE(finishes(program));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(logOf(root).contains(QStringLiteral("Started by automation"))) << logOf(root).toStdString();
}

TEST_F(ProgramLifetimeTest, AnActivatedProcessEndsAfterItsLastClientAndTheNextCallStartsANewOne)
{
    PrivateBus bus(root.path());
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection connection = bus.connect();
    const QDBusMessage created = createAPI(connection);
    ASSERT_EQ(created.type(), QDBusMessage::ReplyMessage) << created.errorMessage().toStdString();
    const QDBusReply<uint> first = connection.interface()->servicePid(PrivateBus::kService);
    ASSERT_TRUE(first.isValid());

    // A well-behaved Sovereign: its engine stops with its last client, and the process ends.
    QDBusMessage wellBehaved = QDBusMessage::createMethodCall(PrivateBus::kService, apiPath(created), QStringLiteral("org.freedesktop.DBus.Properties"),
                                                              QStringLiteral("Set"));
    wellBehaved << QStringLiteral("org.pcquiba.API") << QStringLiteral("WellBehaved") << QVariant::fromValue(QDBusVariant(true));
    ASSERT_EQ(connection.call(wellBehaved).type(), QDBusMessage::ReplyMessage) << connection.call(wellBehaved).errorMessage().toStdString();
    QDBusMessage release = QDBusMessage::createMethodCall(PrivateBus::kService, apiPath(created), QStringLiteral("org.pcquiba.API"),
                                                          QStringLiteral("Release"));
    ASSERT_EQ(connection.call(release).type(), QDBusMessage::ReplyMessage);
    // Calls on the factory while the process ends find it, or start a new process: never a
    // name whose objects are gone.
    QDeadlineTimer deadline(30000);
    while (QFile::exists(QStringLiteral("/proc/%1/exe").arg(first.value())) && !deadline.hasExpired()) {
        QDBusMessage properties = QDBusMessage::createMethodCall(PrivateBus::kService, PrivateBus::kRootPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                                 QStringLiteral("GetAll"));
        properties << PrivateBus::kService;
        const QDBusMessage answer = connection.call(properties, QDBus::Block, 60000);
        ASSERT_NE(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    }
    EXPECT_TRUE(endsInTime(first.value()));
    EXPECT_TRUE(logOf(root).contains(QStringLiteral("pcQUIBA ends: nothing uses it any more")));

    const QDBusMessage again = createAPI(connection);
    ASSERT_EQ(again.type(), QDBusMessage::ReplyMessage) << again.errorName().toStdString();
    const QDBusReply<uint> second = connection.interface()->servicePid(PrivateBus::kService);
    ASSERT_TRUE(second.isValid());
    EXPECT_NE(second.value(), first.value());

    // Not well-behaved (the default), the engine outlives the client: a termination signal
    // ends the process in order, the engine stopped first.
    ::kill(pid_t(second.value()), SIGTERM);
    EXPECT_TRUE(endsInTime(second.value()));
    EXPECT_TRUE(logOf(root).contains(QStringLiteral("pcQUIBA ends: signal %1").arg(SIGTERM))) << logOf(root).toStdString();
}

// A hand-started kiosk as its unit starts it: no session bus, standard error the journal's
// stream (here a file that JOURNAL_STREAM names).
class HandStartedKiosk {
public:
    explicit HandStartedKiosk(const QTemporaryDir& root) : m_journal(root.path() + QStringLiteral("/journal"))
    {
        QFile(m_journal).open(QIODevice::WriteOnly);
        struct stat status {};
        ::stat(QFile::encodeName(m_journal).constData(), &status);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PCQUIBA_ROOT"), root.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("%1:%2").arg(status.st_dev).arg(status.st_ino));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        m_program.setProcessEnvironment(environment);
        m_program.setStandardErrorFile(m_journal, QIODevice::Append);
        m_program.start(PrivateBus::programPath(QStringLiteral("pcquiba")), {QStringLiteral("/g")});
    }
    ~HandStartedKiosk()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }
    QProcess& program() { return m_program; }
    QString journal() const
    {
        QFile file(m_journal);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QString m_journal;
    QProcess m_program;
};

QString lastLogLine(const QTemporaryDir& root)
{
    const QStringList lines = logOf(root).split(u'\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().section(u' ', 2);
}

QByteArray kioskState(const QTemporaryDir& root)
{
    QFile state(root.path() + QStringLiteral("/data/kiosk-restarts.state"));
    return state.open(QIODevice::ReadOnly) ? state.readAll() : QByteArray();
}

// The simulated engine surrenders at once on a terminal that is not assigned.
TEST_F(ProgramLifetimeTest, AnUnassignedKioskSaysWhyItEndsAndWaitsBeforeItShowsAgain)
{
    {
        HandStartedKiosk kiosk(root);
        ASSERT_TRUE(kiosk.program().waitForFinished(60000)) << logOf(root).toStdString();
        EXPECT_EQ(kiosk.program().exitCode(), 3) << logOf(root).toStdString();
        EXPECT_EQ(lastLogLine(root),
                  QStringLiteral("4 pcQUIBA ends: the kiosk's engine surrendered (7, This terminal is not assigned)"));
        EXPECT_TRUE(kiosk.journal().contains(
            QStringLiteral("<3>pcQUIBA ends: the kiosk's engine surrendered (7, This terminal is not assigned)\n")))
            << kiosk.journal().toStdString();
        EXPECT_EQ(kioskState(root), "quick_failures=1\n");
    }
    {
        HandStartedKiosk kiosk(root);
        const QString waitLine = QStringLiteral("The kiosk shows its screen again in 5 s: quick failures in a row: 1");
        QDeadlineTimer deadline(30000);
        while (!logOf(root).contains(waitLine) && !deadline.hasExpired())
            QThread::msleep(20);
        ASSERT_TRUE(logOf(root).contains(waitLine)) << logOf(root).toStdString();
        kiosk.program().terminate();
        ASSERT_TRUE(kiosk.program().waitForFinished(30000));
        EXPECT_EQ(kiosk.program().exitCode(), 143);
        EXPECT_EQ(lastLogLine(root), QStringLiteral("4 pcQUIBA ends: signal 15"));
        EXPECT_TRUE(kiosk.journal().contains(QStringLiteral("<3>") + waitLine)) << kiosk.journal().toStdString();
        EXPECT_EQ(kioskState(root), "quick_failures=1\n") << "a stop while it waits neither counts nor resets";
    }
}

TEST_F(ProgramLifetimeTest, LosingTheBusEndsTheProgramAtOnceWithItsStatus)
{
    // A client holds an API object (an engine running) when the bus goes.
    ASSERT_NO_FATAL_FAILURE(startWithAnApiObject());
    ASSERT_TRUE(logOf(root).contains(QStringLiteral("Initialising API object")));
    privateBus->killDaemon();

    ASSERT_TRUE(finishes(program));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 69);
    const QString log = logOf(root);
    static const QRegularExpression endLine(QStringLiteral("\\n[-0-9: .]+ 4 pcQUIBA ends: the session bus connection is lost\\n"));
    const auto match = endLine.match(log);
    ASSERT_TRUE(match.hasMatch()) << log.toStdString();
    // Nothing was served after it: no call and no event line follows.
    const QString after = log.mid(match.capturedEnd());
    EXPECT_FALSE(after.contains(QStringLiteral("CALL:")) || after.contains(QStringLiteral("EVENT:"))) << after.toStdString();
}

TEST_F(ProgramLifetimeTest, ACrashedProgramLeavesItsLastLineInTheErrorLogAndDiesOfTheSignal)
{
    ASSERT_NO_FATAL_FAILURE(startWithAnApiObject());
    const long long before = ::time(nullptr);
    ::kill(pid_t(program.processId()), SIGSEGV);

    ASSERT_TRUE(finishes(program));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    QFile errorLog(root.path() + QStringLiteral("/logs/error.log"));
    ASSERT_TRUE(errorLog.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(errorLog.readAll());
    static const QRegularExpression crashLine(QStringLiteral("(?:^|\\n)(\\d+) \\| 11 \\| Crash: signal 11 \\(SIGSEGV\\) \\| [^\\n]+\\n$"));
    const auto match = crashLine.match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    EXPECT_GE(match.captured(1).toLongLong(), before);
    EXPECT_LE(match.captured(1).toLongLong(), ::time(nullptr));
}

} // namespace
