// One command to the whole fleet and every result back: N kiosk agents (the real pcquiba-fleet
// program, each with a program root of its own) on one mosquitto on this machine. A stand-in for
// pcQUIBA's tick completes each entry as soon as the agent reports it queued. Reported: the time
// from the command to the last result, and each agent's private memory (Private_Dirty of
// /proc/PID/smaps_rollup) as the mean and the largest.
//
//     build-bench/bench/FleetBench --benchmark_filter='FleetBench/100'
#include "platform/SystemNames.h"
#include "FleetMessages.h"
#include "MqttClient.h"
#include "config/clsINIFile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kFleet = QStringLiteral("bench");

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

bool waitFor(const std::function<bool()>& condition, int limitMs)
{
    const QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

qint64 privateDirtyKiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("Private_Dirty:"))
            return line.mid(14).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The broker (TLS, server certificate only: every agent names itself by its kiosk_id) and the
// agents' program roots.
class Fleet {
public:
    Fleet()
    {
        const QString folder = m_folder.path();
        const QString ext = folder + QStringLiteral("/server.ext");
        QFile extFile(ext);
        extFile.open(QIODevice::WriteOnly);
        extFile.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        extFile.close();
        m_ok = run(QStringLiteral("openssl"), {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                                               QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                                               QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=bench CA"),
                                               QStringLiteral("-keyout"), folder + QStringLiteral("/ca.key"), QStringLiteral("-out"), caFile()})
               && run(QStringLiteral("openssl"), {QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                                                  QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                                                  QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-keyout"),
                                                  folder + QStringLiteral("/server.key"), QStringLiteral("-out"), folder + QStringLiteral("/server.csr")})
               && run(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), folder + QStringLiteral("/server.csr"),
                                                  QStringLiteral("-CA"), caFile(), QStringLiteral("-CAkey"), folder + QStringLiteral("/ca.key"),
                                                  QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), ext,
                                                  QStringLiteral("-out"), folder + QStringLiteral("/server.pem")});
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        QFile config(folder + QStringLiteral("/mosquitto.conf"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("user %1\nlog_type error\nallow_anonymous true\nmax_queued_messages 0\nmax_inflight_messages 0\n"
                                    "listener %2 127.0.0.1\ncafile %3/ca.pem\ncertfile %3/server.pem\nkeyfile %3/server.key\n")
                         .arg(SystemNames::userName())
                         .arg(m_port)
                         .arg(folder)
                         .toUtf8());
        config.close();
        m_broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), folder + QStringLiteral("/mosquitto.conf")});
        m_ok = m_ok && m_broker.waitForStarted() && waitFor([this] {
                   QTcpSocket socket;
                   socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                   return socket.waitForConnected(200);
               }, 30000);
    }

    // Each agent holds pipes in this process: a thousand of them push a later socket's number
    // above what libmosquitto's loop can watch, so the bench's own client connects first.
    bool startAgents(int size)
    {
        const QString agent = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/pcquiba-fleet/pcquiba-fleet");
        for (int index = 0; index < size && m_ok; ++index)
            startAgent(agent, QStringLiteral("k%1").arg(index));
        return m_ok;
    }

    ~Fleet()
    {
        for (auto& agent : m_agents)
            agent->terminate();
        for (auto& agent : m_agents)
            agent->waitForFinished(10000);
        m_broker.terminate();
        m_broker.waitForFinished(10000);
    }

    bool ok() const { return m_ok; }
    QString url() const { return QStringLiteral("mqtts://localhost:%1").arg(m_port); }
    QString caFile() const { return m_folder.path() + QStringLiteral("/ca.pem"); }
    QString iniFile(const QString& kiosk) const { return m_folder.path() + u'/' + kiosk + QStringLiteral("/config/pcQUIBA.ini"); }
    const std::vector<std::unique_ptr<QProcess>>& agents() const { return m_agents; }

private:
    void startAgent(const QString& program, const QString& kiosk)
    {
        const QString root = m_folder.path() + u'/' + kiosk;
        QDir().mkpath(root + QStringLiteral("/config"));
        clsINIFile ini;
        ini.setFileName(iniFile(kiosk));
        ini.WriteString(QStringLiteral("FLEET"), QStringLiteral("broker_url"), url());
        ini.WriteString(QStringLiteral("FLEET"), QStringLiteral("fleet_name"), kFleet);
        ini.WriteString(QStringLiteral("FLEET"), QStringLiteral("kiosk_id"), kiosk);
        ini.WriteString(QStringLiteral("FLEET"), QStringLiteral("ca_file"), caFile());
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PCQUIBA_ROOT"), root);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, {QStringLiteral("agent"), QStringLiteral("--ini"), iniFile(kiosk)});
        m_ok = process->waitForStarted();
        m_agents.push_back(std::move(process));
    }

    QTemporaryDir m_folder;
    QProcess m_broker;
    int m_port = 0;
    bool m_ok = false;
    std::vector<std::unique_ptr<QProcess>> m_agents;
};

void FleetBench(benchmark::State& state)
{
    const int size = int(state.range(0));
    Fleet fleet;
    if (!fleet.ok()) {
        state.SkipWithError("the broker did not start");
        return;
    }
    MqttClient::Options options;
    QString error;
    MqttClient::parseUrl(fleet.url(), options, error);
    options.caFile = fleet.caFile();
    options.clientId = QStringLiteral("bench-operator");
    MqttClient client(options);
    QSet<QString> online;
    QSet<QString> done;
    QString commandId;
    QObject::connect(&client, &MqttClient::messageArrived, &client, [&](const QString& topic, const QByteArray& payload) {
        const QStringList levels = topic.split(u'/');
        if (levels.size() == 4 && levels[3] == u"online") {
            if (payload == "true")
                online.insert(levels[2]);
            return;
        }
        FleetMessages::Result result;
        if (levels.size() != 5 || !FleetMessages::parseResult(payload, result) || result.id != commandId)
            return;
        if (result.status == u"queued") {
            // The stand-in for pcQUIBA's tick: the entry is finished at once.
            clsINIFile ini;
            ini.setFileName(fleet.iniFile(levels[2]));
            const QString key = QStringLiteral("fleet-") + commandId;
            const QString command = ini.GetString(QStringLiteral("COMMANDS"), key);
            ini.WriteString(QStringLiteral("COMMANDS"), key,
                            QStringLiteral("@%1|done|%2").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), command));
        } else if (result.status == u"done") {
            done.insert(levels[2]);
        }
    });
    QObject::connect(&client, &MqttClient::connected, &client, [&] {
        client.subscribe(QStringLiteral("pcquiba/%1/+/online").arg(kFleet), 1);
        client.subscribe(QStringLiteral("pcquiba/%1/+/result/+").arg(kFleet), 1);
    });
    QString failure;
    bool connected = false;
    QObject::connect(&client, &MqttClient::failed, &client, [&](const QString& reason) { failure = reason; });
    QObject::connect(&client, &MqttClient::connected, &client, [&] { connected = true; });
    client.start();
    if (!waitFor([&] { return connected; }, 30000) || !fleet.startAgents(size)) {
        state.SkipWithError("the bench's client did not connect or an agent did not start");
        return;
    }
    if (!waitFor([&] { return online.size() == size || !failure.isEmpty(); }, 600000) || !failure.isEmpty()) {
        const QByteArray why = QStringLiteral("only %1 of %2 agents came online %3").arg(online.size()).arg(size).arg(failure).toUtf8();
        state.SkipWithError(why.constData());
        return;
    }
    int round = 0;
    for (auto _ : state) {
        done.clear();
        commandId = QStringLiteral("bench-%1").arg(++round);
        QElapsedTimer timer;
        timer.start();
        client.publish(QStringLiteral("pcquiba/%1/all/cmd").arg(kFleet),
                       FleetMessages::command(commandId, QStringLiteral("q:/set?scope=BENCH&name=round&value=1")), 1, false);
        if (!waitFor([&] { return done.size() == size; }, 600000)) {
            const QByteArray why = QStringLiteral("only %1 of %2 results came back").arg(done.size()).arg(size).toUtf8();
            state.SkipWithError(why.constData());
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    qint64 total = 0;
    qint64 largest = 0;
    for (const auto& agent : fleet.agents()) {
        const qint64 kib = privateDirtyKiB(agent->processId());
        total += kib;
        largest = std::max(largest, kib);
    }
    state.counters["agents"] = size;
    state.counters["private_dirty_kib_mean"] = double(total) / size;
    state.counters["private_dirty_kib_max"] = double(largest);
    client.stop();
}

} // namespace

BENCHMARK(FleetBench)->Arg(100)->Arg(1000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // A thousand agents and their broker hold a socket each.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
