// Round trips over the session bus: reading API.Version and raising PrintText to a sink, each
// beside a bare QtDBus call to a trivial object on the same bus. Run under dbus-run-session.
#include "api/API.h"
#include "app/ProcessState.h"
#include "automation/AutomationServer.h"
#include "components/BuiltInComponents.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The trivial object: answers every call at once with no values.
class TrivialObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QDBusConnection(connection).send(message.createReply());
        return true;
    }
};

QDBusMessage callAndWait(QDBusConnection& connection, const QDBusMessage& message)
{
    QDBusPendingCall pending = connection.asyncCall(message);
    while (!pending.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return pending.reply();
}

// One process holding the server, a trivial object on each side and a client with a sink.
struct World {
    World()
    {
        qputenv("PCQUIBA_ROOT", root.path().toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "AutomationBench";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        BuiltInComponents::registerAll();
        ProcessState::instance().initialised = true;
        server = std::make_unique<AutomationServer>(QDBusConnection::sessionBus());
        server->start();
        QDBusConnection::sessionBus().registerVirtualObject(QStringLiteral("/trivial"), &serverTrivial);
        client.registerVirtualObject(QStringLiteral("/sink"), &sink);
        const QDBusMessage created = callAndWait(client, QDBusMessage::createMethodCall(
            QDBusConnection::sessionBus().baseService(), AutomationServer::rootPath(), QStringLiteral("org.pcquiba.pcQUIBA"),
            QStringLiteral("CreateAPI")));
        apiPath = qvariant_cast<QDBusVariant>(created.arguments().value(0)).variant().value<QDBusObjectPath>().path();
        QDBusMessage advise = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), apiPath,
                                                             QStringLiteral("org.pcquiba.API"), QStringLiteral("Advise"));
        advise << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/sink")));
        callAndWait(client, advise);
        api = std::static_pointer_cast<API>(server->objects().objectOf(client.baseService(), apiPath)->target());
    }

    QTemporaryDir root;
    std::unique_ptr<QApplication> application;
    std::unique_ptr<AutomationServer> server;
    TrivialObject serverTrivial;
    TrivialObject sink;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bench-client"));
    QString apiPath;
    std::shared_ptr<API> api;
};

World& world()
{
    static World instance;
    return instance;
}

void BM_BareCallToATrivialObject(benchmark::State& state)
{
    World& w = world();
    const QDBusMessage ping = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), QStringLiteral("/trivial"),
                                                             QStringLiteral("org.pcquiba.Trivial"), QStringLiteral("Ping"));
    for (auto _ : state)
        benchmark::DoNotOptimize(callAndWait(w.client, ping));
}
BENCHMARK(BM_BareCallToATrivialObject);

void BM_ReadAPIVersion(benchmark::State& state)
{
    World& w = world();
    QDBusMessage get = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), w.apiPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.pcquiba.API") << QStringLiteral("Version");
    for (auto _ : state)
        benchmark::DoNotOptimize(callAndWait(w.client, get));
}
BENCHMARK(BM_ReadAPIVersion);

void BM_PrintTextEventToTheSink(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state)
        w.api->PrintText(QStringLiteral("A"), QString(), 1, 1, QStringLiteral("Left"), 0, QStringLiteral("line"));
}
BENCHMARK(BM_PrintTextEventToTheSink);

} // namespace

namespace {

// The same read without the bus: what API itself spends (trace frame and log line).
void BM_ReadAPIVersionInProcess(benchmark::State& state)
{
    World& w = world();
    for (auto _ : state)
        benchmark::DoNotOptimize(w.api->Version());
}
BENCHMARK(BM_ReadAPIVersionInProcess);

} // namespace
