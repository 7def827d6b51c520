// Round trips over the session bus: reading API.Version and raising PrintText to a sink, each
// beside a bare QtDBus call to a trivial object on the same bus, and 100 vouchers printed through
// events. Server and Sovereign share one process and one thread, and every call waits for its
// reply the way pcQUIBA's event relay waits (an event loop run until the reply is in), so the
// three round trips differ only in what pcQUIBA does. Run under dbus-run-session.
#include "api/API.h"
#include "services/ProcessState.h"
#include "automation/AutomationServer.h"
#include "automation/PendingReply.h"
#include "components/BuiltInComponents.h"
#include "fakes/FakeEngineBasket.h"
#include "fakes/FakeRulesEngine.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The trivial object: answers every call at once with no values.
class TrivialObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        ++calls;
        QDBusConnection(connection).send(message.createReply());
        return true;
    }

    qint64 calls = 0;
};

// Waits as the event relay waits for a sink's answer.
QDBusMessage callAndWait(QDBusConnection& connection, const QDBusMessage& message)
{
    return PendingReply::wait(connection.asyncCall(message));
}

QDBusMessage callOnServer(const QString& path, const QString& interface, const QString& member, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path,
                                                          QStringLiteral("org.pcquiba.") + interface, member);
    message.setArguments(arguments);
    return message;
}

QString pathIn(const QDBusMessage& reply)
{
    return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().value<QDBusObjectPath>().path();
}

// The voucher printed 100 times: the sample with the body the simulated engine writes.
const QString kVoucherSample = QStringLiteral(PCQUIBA_SOURCE_DIR "/tests/data/vouchers/sample.xml");
constexpr int kVouchers = 100;

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
        FakeRulesEngine::install();
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
        fillBasket();
    }

    // A committed basket of 100 released voucher documents, and its Vouchers object for the client.
    void fillBasket()
    {
        FakeEngineBasket& basket = FakeRulesEngine::last()->ensureBasket();
        basket.isCommitted = true;
        for (int i = 0; i < kVouchers; ++i) {
            const QString fileName = root.filePath(QStringLiteral("V%1.xml").arg(i, 4, 10, QLatin1Char('0')));
            QFile::copy(kVoucherSample, fileName);
            QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
            basket.documents.append(fileName);
            basket.releasedDocuments.insert(fileName);
        }
        const QString basketPath = pathIn(callAndWait(client, callOnServer(apiPath, QStringLiteral("API"), QStringLiteral("Basket"))));
        vouchersPath = pathIn(callAndWait(client, callOnServer(basketPath, QStringLiteral("Basket"), QStringLiteral("Vouchers"))));
    }

    QTemporaryDir root;
    std::unique_ptr<QApplication> application;
    std::unique_ptr<AutomationServer> server;
    TrivialObject serverTrivial;
    TrivialObject sink;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bench-client"));
    QString apiPath;
    QString vouchersPath;
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

// The Sovereign asks for the print events of 100 vouchers (Vouchers.RaisePrintEvents over the
// bus) and its sink answers each event; one iteration is the whole job.
void BM_Print100VouchersThroughEvents(benchmark::State& state)
{
    World& w = world();
    const QDBusMessage print = callOnServer(w.vouchersPath, QStringLiteral("Vouchers"), QStringLiteral("RaisePrintEvents"),
                                            {QVariant::fromValue(QDBusVariant(true))});
    w.sink.calls = 0;
    for (auto _ : state) {
        const QDBusMessage reply = callAndWait(w.client, print);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            state.SkipWithError(qPrintable(reply.errorMessage()));
            break;
        }
    }
    state.counters["vouchers"] = kVouchers;
    state.counters["events"] = double(w.sink.calls) / double(state.iterations());
}
BENCHMARK(BM_Print100VouchersThroughEvents)->Unit(benchmark::kMillisecond);

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
