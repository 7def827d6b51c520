// Round trips over the session bus: reading API.Version and raising PrintText to a sink, each
// beside a bare QtDBus call to a trivial object on the same bus, and 100 vouchers printed through
// events. Server and Sovereign share one process and one thread, and every call waits for its
// reply the way pcQUIBA's event relay waits (an event loop run until the reply is in), so the
// three round trips differ only in what pcQUIBA does. Run under dbus-run-session.
#include "api/API.h"
#include "services/ProcessState.h"
#include "automation/AutomationServer.h"
#include "automation/PendingReply.h"
#include "platform/EventRelay.h"
#include "components/BuiltInComponents.h"
#include "controller/frmController.h"
#include "fakes/FakeEngineBasket.h"
#include "fakes/FakeRulesEngine.h"
#include "common/ResidentMemory.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
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

namespace {

QDBusMessage factoryCall(const QString& member)
{
    return QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), AutomationServer::rootPath(),
                                          QStringLiteral("org.pcquiba.pcQUIBA"), member);
}

// A Sovereign on a connection of its own that creates `count` API objects.
QString connectAndCreate(const QString& name, qint64 count)
{
    QDBusConnection sovereign = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    for (qint64 i = 0; i < count; ++i)
        callAndWait(sovereign, factoryCall(QStringLiteral("CreateAPI")));
    return sovereign.baseService();
}

// Leaves the bus and waits until every object of the Sovereign has ended.
void leaveAndWait(const QString& name, qsizetype clientsBefore)
{
    QDBusConnection::disconnectFromBus(name);
    while (frmController::instance().clientCount() > clientsBefore)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// One client creates N API objects; the time is the creation alone.
void BM_CreateAPIObjects(benchmark::State& state)
{
    world();
    const qsizetype clientsBefore = frmController::instance().clientCount();
    int round = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("bench-create-%1").arg(++round);
        connectAndCreate(name, state.range(0));
        state.PauseTiming();
        leaveAndWait(name, clientsBefore);
        state.ResumeTiming();
    }
    state.counters["per object"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate
                                                                                 | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CreateAPIObjects)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

// One client holding N API objects leaves the bus; the time is until every object has ended.
void BM_CleanUpADepartedClient(benchmark::State& state)
{
    world();
    const qsizetype clientsBefore = frmController::instance().clientCount();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = QStringLiteral("bench-leave-%1").arg(++round);
        connectAndCreate(name, state.range(0));
        state.ResumeTiming();
        leaveAndWait(name, clientsBefore);
    }
    state.counters["per object"] = benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate
                                                                                 | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CleanUpADepartedClient)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

// A sink that adds an unknown product inside every AddItemFailed and answers the event late.
class LateCallingSink : public QDBusVirtualObject {
public:
    LateCallingSink(QDBusConnection connection, int lateness)
        : m_connection(std::move(connection))
        , m_lateness(lateness)
    {
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        if (message.member() == QLatin1String("AddItemFailed")) {
            ++rounds;
            deepest = std::max(deepest, EventRelay::depth());
            if (rounds < wanted)
                addUnknown();
            QTimer::singleShot(m_lateness, [this, reply = message.createReply()] { m_connection.send(reply); });
            return true;
        }
        m_connection.send(message.createReply());
        return true;
    }
    void addUnknown()
    {
        QDBusMessage add = callOnServer(basketPath, QStringLiteral("Basket"), QStringLiteral("AddItem"),
                                        {QVariant::fromValue(QDBusVariant(QStringLiteral("NONE"))),
                                         QVariant::fromValue(QDBusVariant(QVariantList {}))});
        m_connection.asyncCall(add);
    }

    QString basketPath;
    int wanted = 0;
    int rounds = 0;
    int deepest = 0;

private:
    QDBusConnection m_connection;
    int m_lateness;
};

// The re-entrant attack: rounds of AddItem inside AddItemFailed, each event answered late. The
// deepest relay stays at one; the time is the rounds times the lateness, and memory stays flat.
void BM_LateReentrantSink(benchmark::State& state)
{
    World& w = world();
    QDBusConnection attacker = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bench-attacker"));
    LateCallingSink sink(attacker, int(state.range(1)));
    attacker.registerVirtualObject(QStringLiteral("/late"), &sink);
    const QString api = pathIn(callAndWait(attacker, factoryCall(QStringLiteral("CreateAPI"))));
    QDBusMessage advise = callOnServer(api, QStringLiteral("API"), QStringLiteral("Advise"));
    advise << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/late")));
    callAndWait(attacker, advise);
    FakeRulesEngine::last()->basket->isCommitted = false;
    sink.basketPath = pathIn(callAndWait(attacker, callOnServer(api, QStringLiteral("API"), QStringLiteral("Basket"))));
    const qint64 residentBefore = residentKilobytes();
    for (auto _ : state) {
        sink.rounds = 0;
        sink.wanted = int(state.range(0));
        sink.addUnknown();
        while (sink.rounds < sink.wanted || EventRelay::depth() > 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    state.counters["rounds"] = sink.rounds;
    state.counters["deepest relay"] = sink.deepest;
    state.counters["resident growth kB"] = double(residentKilobytes() - residentBefore);
    attacker.unregisterObject(QStringLiteral("/late"));
    QDBusConnection::disconnectFromBus(QStringLiteral("bench-attacker"));
    Q_UNUSED(w);
}
// 20,000 rounds of 20 ms take about seven minutes: run by name (--benchmark_filter=LateReentrant).
BENCHMARK(BM_LateReentrantSink)->Args({200, 20})->Args({20000, 20})->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

#include "automation/BusTestSupport.h"
#include "automation/BusValue.h"

namespace {

// `elements` texts spread evenly over `depth` arrays nested inside each other (depth 1: one flat
// array), each text as long as the element's number.
Variant spreadValue(qsizetype elements, int depth)
{
    const qsizetype perLevel = elements / depth;
    Variant inner;
    for (int level = depth; level >= 1; --level) {
        const qsizetype here = level == 1 ? elements - perLevel * (depth - 1) : perLevel;
        VariantArray items(here, Variant(QStringLiteral("element")));
        if (level < depth)
            items.append(inner);
        inner = Variant(items);
    }
    return inner;
}

// A value echoed back whole by the server (decoded, handed to the member, marshalled again), as a
// by-reference argument such as Basket.AddItem's Data is: 32,768 elements flat and nested 30
// deep. The time of one round trip should not grow with the nesting.
void BM_EchoValueFlatOrNested(benchmark::State& state)
{
    World& w = world();
    static ObjectServer* echoes = [] {
        auto* server = new ObjectServer(QDBusConnection::sessionBus(), QStringLiteral("/org/pcquiba/bench"));
        server->publish(std::make_shared<TestFactory>());
        server->setAdapter(QStringLiteral("Test"), [](const ObjectRef& object) {
            return std::make_shared<TestObject>(std::static_pointer_cast<TestTarget>(object));
        });
        server->start();
        return server;
    }();
    const QString path = pathIn(callAndWait(w.client, QDBusMessage::createMethodCall(
        QDBusConnection::sessionBus().baseService(), echoes->rootPath(), QStringLiteral("org.pcquiba.TestFactory"),
        QStringLiteral("Create"))));
    constexpr qsizetype kElements = 32768;
    NoObjects none;
    QDBusMessage echo = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path,
                                                       QStringLiteral("org.pcquiba.Test"), QStringLiteral("Echo"));
    echo.setArguments({QVariant::fromValue(BusValue::toBus(spreadValue(kElements, int(state.range(0))), none))});
    for (auto _ : state) {
        const QDBusMessage reply = callAndWait(w.client, echo);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError(qPrintable(reply.errorName() + u' ' + reply.errorMessage()));
            break;
        }
    }
    state.counters["elements"] = double(kElements);
    state.counters["depth"] = double(state.range(0));
}
BENCHMARK(BM_EchoValueFlatOrNested)->Arg(1)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond);

} // namespace
