#include "MosquittoBroker.h"
#include "automation/PrivateBus.h"

#include "FleetAgent.h"
#include "FleetCommandBook.h"
#include "FleetMessages.h"
#include "FleetSettings.h"
#include "MqttClient.h"
#include "commands/CommandFakes.h"
#include "config/clsINIFile.h"
#include "controller/CommandProcessor.h"
#include "fakes/ServiceFixture.h"
#include "platform/Dictionary.h"
#include "services/ProcessState.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <unistd.h>

namespace {

// Generous: a kiosk program's command tick comes every 20 s.
constexpr int kPatienceMs = 120000;

const QString kRoster = QStringLiteral("fleet shop\n"
                                       "kiosk k1 north\n"
                                       "kiosk k2 north,south\n"
                                       "operator op\n");

// Runs the event loop until the condition holds; the limit only ends a test that has failed.
bool waitUntil(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(kPatienceMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// One kiosk: a program root with its main INI file, its agent and the command tick.
struct Kiosk {
    QString name;
    QTemporaryDir root;
    QString iniFile;
    std::shared_ptr<clsINIFile> ini = std::make_shared<clsINIFile>();
    std::unique_ptr<FleetAgent> agent;
    FakeCommandHost host;
    CommandProcessor processor{host};
    // The kiosk as it runs: pcQUIBA started by a Sovereign's call on a bus of its own, and the
    // agent program.
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<QProcess> agentProgram;

    QString fleetKey() const
    {
        for (const QString& key : ini->GetSection(QStringLiteral("COMMANDS"))->keys()) {
            if (key.startsWith(FleetCommandBook::kKeyPrefix))
                return key;
        }
        return {};
    }
    QString entry(const QString& key) const { return ini->GetString(QStringLiteral("COMMANDS"), key); }
    bool marked(const QString& id) const { return QFile::exists(root.path() + QStringLiteral("/data/fleet/published/") + id); }
    QString log() const
    {
        QFile file(root.path() + QStringLiteral("/logs/pcQUIBA.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

class FleetBrokerTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        broker = std::make_unique<MosquittoBroker>(kRoster);
        operatorIdentity = broker->identity(QStringLiteral("op"));
        for (const QString& name : {QStringLiteral("k1"), QStringLiteral("k2")}) {
            auto kiosk = std::make_unique<Kiosk>();
            kiosk->name = name;
            const MosquittoBroker::Identity identity = broker->identity(name);
            QDir(kiosk->root.path()).mkpath(QStringLiteral("config"));
            kiosk->iniFile = kiosk->root.path() + QStringLiteral("/config/pcQUIBA.ini");
            kiosk->ini->setFileName(kiosk->iniFile);
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("broker_url"), broker->url());
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("fleet_name"), QStringLiteral("shop"));
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("groups"),
                                    name == u"k1" ? QStringLiteral("north") : QStringLiteral("north,south"));
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("ca_file"), broker->caFile());
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("cert_file"), identity.cert);
            kiosk->ini->WriteString(FleetSettings::kSection, QStringLiteral("key_file"), identity.key);
            kiosks.push_back(std::move(kiosk));
        }
        ASSERT_TRUE(broker->ok());
        ASSERT_TRUE(broker->start());
    }

    void TearDown() override
    {
        for (auto& kiosk : kiosks) {
            stopAgent(*kiosk);
            stopProgram(*kiosk);
        }
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    Kiosk& kiosk(int index) { return *kiosks[index]; }

    void startAgent(Kiosk& kiosk)
    {
        FleetSettings settings;
        QString error;
        ASSERT_TRUE(FleetSettings::read(*kiosk.ini, settings, error)) << error.toStdString();
        ASSERT_EQ(settings.kioskId, kiosk.name);
        kiosk.agent = std::make_unique<FleetAgent>(settings, kiosk.iniFile, kiosk.root.path());
        bool online = false;
        QObject::connect(kiosk.agent.get(), &FleetAgent::online, kiosk.agent.get(), [&online] { online = true; });
        ASSERT_TRUE(kiosk.agent->start(error)) << error.toStdString();
        ASSERT_TRUE(waitUntil([&] { return online; }));
    }

    void stopAgent(Kiosk& kiosk)
    {
        if (kiosk.agent)
            kiosk.agent->stop();
        kiosk.agent.reset();
    }

    // pcQUIBA with the simulated engine, started as a Sovereign starts it (the first call on its
    // name, an API object held), and the agent program beside it; both see the kiosk's root.
    void startProgram(Kiosk& kiosk)
    {
        kiosk.bus = std::make_unique<PrivateBus>(kiosk.root.path());
        ASSERT_FALSE(kiosk.bus->address().isEmpty());
        QDBusConnection connection = kiosk.bus->connect();
        const QDBusMessage created = connection.call(
            QDBusMessage::createMethodCall(PrivateBus::kService, PrivateBus::kRootPath, PrivateBus::kService, QStringLiteral("CreateAPI")),
            QDBus::Block, kPatienceMs);
        ASSERT_EQ(created.type(), QDBusMessage::ReplyMessage) << created.errorMessage().toStdString();
        kiosk.agentProgram = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PCQUIBA_ROOT"), kiosk.root.path());
        kiosk.agentProgram->setProcessEnvironment(environment);
        kiosk.agentProgram->setProcessChannelMode(QProcess::ForwardedChannels);
        kiosk.agentProgram->start(PrivateBus::programPath(QStringLiteral("tools/pcquiba-fleet/pcquiba-fleet")), {QStringLiteral("agent")});
        ASSERT_TRUE(kiosk.agentProgram->waitForStarted());
    }

    static void stopProgram(Kiosk& kiosk)
    {
        if (kiosk.agentProgram) {
            kiosk.agentProgram->terminate();
            kiosk.agentProgram->waitForFinished(kPatienceMs);
        }
        kiosk.bus.reset();
    }

    // Waits until every named kiosk has said it is online.
    void waitOnline(const QStringList& names)
    {
        auto watcher = client(QStringLiteral("op"));
        QSet<QString> online;
        QObject::connect(watcher.get(), &MqttClient::messageArrived, watcher.get(), [&](const QString& topic, const QByteArray& payload) {
            if (payload == "true")
                online.insert(topic.section(u'/', 2, 2));
        });
        watcher->subscribe(QStringLiteral("pcquiba/shop/+/online"), 1);
        EXPECT_TRUE(waitUntil([&] { return online.contains(QSet<QString>(names.begin(), names.end())); }));
        watcher->stop();
    }

    // One command tick of the kiosk's pcQUIBA.
    void tick(Kiosk& kiosk)
    {
        ProcessState::instance().ini = kiosk.ini;
        kiosk.processor.tmrCommand_Timer();
    }

    // The operator's program, started with the operator's certificate.
    std::unique_ptr<QProcess> startOperator(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/pcquiba-fleet/pcquiba-fleet"),
                       arguments + QStringList{QStringLiteral("--broker"), broker->url(), QStringLiteral("--fleet"),
                                               QStringLiteral("shop"), QStringLiteral("--cafile"), broker->caFile(),
                                               QStringLiteral("--cert"), operatorIdentity.cert, QStringLiteral("--key"),
                                               operatorIdentity.key});
        return process;
    }

    static QStringList finish(QProcess& process)
    {
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }));
        return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    // A client of the test's own with the named certificate.
    std::unique_ptr<MqttClient> client(const QString& name, bool cleanSession = true)
    {
        const MosquittoBroker::Identity identity = broker->identity(name);
        MqttClient::Options options;
        QString error;
        EXPECT_TRUE(MqttClient::parseUrl(broker->url(), options, error));
        options.caFile = broker->caFile();
        options.certFile = identity.cert;
        options.keyFile = identity.key;
        options.clientId = name + QStringLiteral("-test");
        options.cleanSession = cleanSession;
        auto result = std::make_unique<MqttClient>(options);
        bool connected = false;
        QObject::connect(result.get(), &MqttClient::connected, result.get(), [&connected] { connected = true; });
        EXPECT_TRUE(result->start());
        EXPECT_TRUE(waitUntil([&] { return connected; }));
        QObject::disconnect(result.get(), &MqttClient::connected, nullptr, nullptr);
        return result;
    }

    // Publishes at QoS 1 and waits until the broker acknowledged it.
    static void publishAcknowledged(MqttClient& client, const QString& topic, const QByteArray& payload)
    {
        bool acknowledged = false;
        int mid = -1;
        // Connected first, and queued to this thread: the acknowledgement may come at once.
        auto connection = QObject::connect(&client, &MqttClient::published, &client, [&](int done) { acknowledged |= done == mid; });
        mid = client.publish(topic, payload, 1, false);
        ASSERT_GE(mid, 0);
        EXPECT_TRUE(waitUntil([&] { return acknowledged; }));
        QObject::disconnect(connection);
    }

    std::unique_ptr<MosquittoBroker> broker;
    MosquittoBroker::Identity operatorIdentity;
    std::vector<std::unique_ptr<Kiosk>> kiosks;
};

TEST_F(FleetBrokerTest, SendToAllRunsInBothKiosksProgramsAndPrintsOneResultLineEach)
{
    startProgram(kiosk(0));
    startProgram(kiosk(1));
    waitOnline({QStringLiteral("k1"), QStringLiteral("k2")});
    const QString command = QStringLiteral("q:/set?scope=SHOP&name=greeting&value=hello");
    auto send = startOperator({QStringLiteral("send"), QStringLiteral("--all"), command, QStringLiteral("--timeout"), QStringLiteral("100")});
    const QStringList lines = finish(*send);
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("k1: done (")) && lines[1].startsWith(QStringLiteral("k2: done (")))
        << lines.join(u'\n').toStdString();
    EXPECT_EQ(send->exitCode(), 0);
    for (int index : {0, 1}) {
        EXPECT_EQ(kiosk(index).ini->GetString(QStringLiteral("SHOP"), QStringLiteral("greeting")), QStringLiteral("hello"));
        EXPECT_TRUE(kiosk(index).entry(kiosk(index).fleetKey()).endsWith(QStringLiteral("|done|") + command))
            << kiosk(index).log().toStdString();
    }
}

TEST_F(FleetBrokerTest, KioskThatWasOfflineGetsTheCommandWhenItReturns)
{
    startAgent(kiosk(1));
    stopAgent(kiosk(1));
    auto send = startOperator({QStringLiteral("send"), QStringLiteral("--kiosk"), QStringLiteral("k2"),
                               QStringLiteral("q:/set?scope=SHOP&name=greeting&value=back")});
    EXPECT_EQ(finish(*send), QStringList{QStringLiteral("k2: offline")});

    startAgent(kiosk(1));
    ASSERT_TRUE(waitUntil([&] { return !kiosk(1).fleetKey().isEmpty(); }));
    // The tick finishes the entry while the agent is away again: its result goes out once it is back.
    stopAgent(kiosk(1));
    tick(kiosk(1));
    const QString id = kiosk(1).fleetKey().mid(FleetCommandBook::kKeyPrefix.size());
    EXPECT_FALSE(kiosk(1).marked(id));
    startAgent(kiosk(1));
    EXPECT_TRUE(waitUntil([&] { return kiosk(1).marked(id); })) << "the result never reached the broker";
    EXPECT_EQ(kiosk(1).ini->GetString(QStringLiteral("SHOP"), QStringLiteral("greeting")), QStringLiteral("back"));
}

TEST_F(FleetBrokerTest, WatchPrintsPresenceChangesAndResultsAsTheyCome)
{
    startAgent(kiosk(0));
    auto watch = startOperator({QStringLiteral("watch")});
    QByteArray printed;
    auto lines = [&] {
        printed += watch->readAllStandardOutput();
        return QString::fromUtf8(printed).split(u'\n', Qt::SkipEmptyParts);
    };
    ASSERT_TRUE(waitUntil([&] { return lines().contains(QStringLiteral("watching fleet shop")); }));
    auto sender = client(QStringLiteral("op"));
    publishAcknowledged(*sender, QStringLiteral("pcquiba/shop/k1/cmd"), FleetMessages::command(QStringLiteral("w-1"), QStringLiteral("q:/set?scope=SHOP&name=w&value=1")));
    ASSERT_TRUE(waitUntil([&] { return !kiosk(0).entry(QStringLiteral("fleet-w-1")).isEmpty(); }));
    tick(kiosk(0));
    ASSERT_TRUE(waitUntil([&] { return kiosk(0).marked(QStringLiteral("w-1")); }));
    stopAgent(kiosk(0));
    ASSERT_TRUE(waitUntil([&] { return lines().size() >= 4; })) << lines().join(u'\n').toStdString();
    EXPECT_EQ(lines().mid(1, 3), (QStringList{QStringLiteral("k1: result w-1 queued: pcQUIBA not running"), QStringLiteral("k1: result w-1 done"),
                                              QStringLiteral("k1: offline, program -, package -, printer -, last sale -, failed commands -")}));
    watch->terminate();
    EXPECT_TRUE(waitUntil([&] { return watch->state() == QProcess::NotRunning; }));
    EXPECT_EQ(watch->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch->exitCode(), 0);
}

TEST_F(FleetBrokerTest, MessageDeliveredTwiceRunsOnce)
{
    startAgent(kiosk(0));
    auto sender = client(QStringLiteral("op"));
    const QString topic = QStringLiteral("pcquiba/shop/k1/cmd");
    const QByteArray message = FleetMessages::command(QStringLiteral("twice"), QStringLiteral("q:/set?scope=SHOP&name=n&value=1"));
    publishAcknowledged(*sender, topic, message);
    ASSERT_TRUE(waitUntil([&] { return !kiosk(0).fleetKey().isEmpty(); }));
    tick(kiosk(0));
    const QString done = kiosk(0).entry(QStringLiteral("fleet-twice"));
    ASSERT_TRUE(done.contains(u"|done|")) << done.toStdString();

    // The copy, then a later command from the same sender: once the later one is in, the copy
    // has been handled.
    publishAcknowledged(*sender, topic, message);
    publishAcknowledged(*sender, topic, FleetMessages::command(QStringLiteral("later"), QStringLiteral("q:/set?scope=SHOP&name=m&value=2")));
    ASSERT_TRUE(waitUntil([&] { return !kiosk(0).entry(QStringLiteral("fleet-later")).isEmpty(); }));
    EXPECT_EQ(kiosk(0).entry(QStringLiteral("fleet-twice")), done);
    tick(kiosk(0));
    EXPECT_EQ(logger->texts().filter(QStringLiteral("Processing command:q:/set?scope=SHOP&name=n&value=1")).size(), 1);
}

TEST_F(FleetBrokerTest, KioskCertificateCannotSendCommandsNorReadAnotherKiosk)
{
    startAgent(kiosk(1));
    auto intruder = client(QStringLiteral("k1"));
    QStringList seen;
    QObject::connect(intruder.get(), &MqttClient::messageArrived, intruder.get(), [&](const QString& topic, const QByteArray&) { seen << topic; });
    int subscriptions = 0;
    QObject::connect(intruder.get(), &MqttClient::subscribed, intruder.get(), [&](int) { ++subscriptions; });
    // Its own topic last: what the broker lets through from the others comes before.
    for (const QString& topic : {QStringLiteral("pcquiba/shop/k2/#"), QStringLiteral("pcquiba/shop/+/online"),
                                 QStringLiteral("pcquiba/shop/k1/cmd")})
        intruder->subscribe(topic, 1);
    ASSERT_TRUE(waitUntil([&] { return subscriptions == 3; }));
    publishAcknowledged(*intruder, QStringLiteral("pcquiba/shop/k2/cmd"),
                        FleetMessages::command(QStringLiteral("forged"), QStringLiteral("q:/set?scope=SHOP&name=x&value=1")));
    publishAcknowledged(*intruder, QStringLiteral("pcquiba/shop/all/cmd"),
                        FleetMessages::command(QStringLiteral("forged-all"), QStringLiteral("q:/set?scope=SHOP&name=x&value=1")));

    auto sender = client(QStringLiteral("op"));
    publishAcknowledged(*sender, QStringLiteral("pcquiba/shop/k2/cmd"),
                        FleetMessages::command(QStringLiteral("real"), QStringLiteral("q:/set?scope=SHOP&name=y&value=1")));
    publishAcknowledged(*sender, QStringLiteral("pcquiba/shop/k1/cmd"),
                        FleetMessages::command(QStringLiteral("mine"), QStringLiteral("q:/set?scope=SHOP&name=y&value=1")));
    ASSERT_TRUE(waitUntil([&] { return !kiosk(1).entry(QStringLiteral("fleet-real")).isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return seen.contains(QStringLiteral("pcquiba/shop/k1/cmd")); }));
    EXPECT_EQ(seen, QStringList{QStringLiteral("pcquiba/shop/k1/cmd")});
    EXPECT_EQ(kiosk(1).ini->GetSection(QStringLiteral("COMMANDS"))->keys(), QStringList{QStringLiteral("fleet-real")});
}

TEST_F(FleetBrokerTest, OrderlyBrokerRestartLosesNothing)
{
    QDir(kiosk(0).root.path()).mkpath(QStringLiteral("data"));
    QFile status(kiosk(0).root.path() + QStringLiteral("/data/status.json"));
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(R"({"program_version":"1.0.0","package_version":"","printer":"ok","last_sale_at":"","commands_failed":0})");
    status.close();
    startAgent(kiosk(0));
    startAgent(kiosk(1));
    stopAgent(kiosk(1));
    auto sender = client(QStringLiteral("op"));
    publishAcknowledged(*sender, QStringLiteral("pcquiba/shop/k2/cmd"),
                        FleetMessages::command(QStringLiteral("kept"), QStringLiteral("q:/set?scope=SHOP&name=z&value=1")));
    sender->stop();

    bool back = false;
    QObject::connect(kiosk(0).agent.get(), &FleetAgent::online, kiosk(0).agent.get(), [&back] { back = true; });
    broker->stop();
    ASSERT_TRUE(broker->start());
    ASSERT_TRUE(waitUntil([&] { return back; })) << "k1's agent did not come back by itself";
    startAgent(kiosk(1));
    EXPECT_TRUE(waitUntil([&] { return !kiosk(1).entry(QStringLiteral("fleet-kept")).isEmpty(); }));
    auto listing = startOperator({QStringLiteral("status")});
    const QStringList lines = finish(*listing);
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("k1: online, program 1.0.0, package -, printer ok, last sale -, failed commands 0"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("k2: online, program -"))) << lines[1].toStdString();
}

// Every descriptor below FD_SETSIZE in use, as in a process that holds many files: libmosquitto's
// loop cannot watch a socket above it.
class LowDescriptorsTaken {
public:
    LowDescriptorsTaken()
    {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, FD_SETSIZE + 256);
        limit.rlim_max = std::max(limit.rlim_max, limit.rlim_cur);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        // open() gives the lowest free number: once FD_SETSIZE - 1 is ours, every one below is taken.
        for (int fd = ::open("/dev/null", O_RDONLY); fd >= 0; fd = ::open("/dev/null", O_RDONLY)) {
            m_taken.push_back(fd);
            if (fd >= FD_SETSIZE - 1)
                break;
        }
    }
    ~LowDescriptorsTaken()
    {
        for (int fd : m_taken)
            ::close(fd);
    }
    bool ok() const { return !m_taken.empty() && m_taken.back() >= FD_SETSIZE - 1; }

private:
    std::vector<int> m_taken;
};

TEST_F(FleetBrokerTest, AgentWhoseConnectionCannotGoOnSaysWhyAndEnds)
{
    auto agent = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PCQUIBA_ROOT"), kiosk(0).root.path());
    agent->setProcessEnvironment(environment);
    {
        // The agent inherits the descriptors: its socket lands above FD_SETSIZE.
        LowDescriptorsTaken taken;
        ASSERT_TRUE(taken.ok());
        agent->start(PrivateBus::programPath(QStringLiteral("tools/pcquiba-fleet/pcquiba-fleet")), {QStringLiteral("agent")});
        ASSERT_TRUE(agent->waitForStarted());
    }
    ASSERT_TRUE(waitUntil([&] { return agent->state() == QProcess::NotRunning; })) << "the agent went on without a connection";
    EXPECT_EQ(agent->exitCode(), 1);
    EXPECT_TRUE(agent->readAllStandardError().contains("pcquiba-fleet: the connection to the broker cannot go on: "));
}

} // namespace
