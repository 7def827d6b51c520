#include "AutomationServerFixture.h"
#include "common/ResidentMemory.h"
#include "services/ProcessState.h"
#include "automation/BusError.h"
#include "controller/frmController.h"
#include "platform/EventRelay.h"

#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace automation_test;

const QString kBasket = QStringLiteral("org.pcquiba.Basket");
const QString kLimitsExceeded = QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");

// What clients that mean harm, or are merely broken, do to the server: every other client must
// still be served, and the server must still answer the one that did it.
class HostileClientTest : public AutomationServerFixture {
protected:
    void TearDown() override
    {
        EventRelay::setMaximumDepth(EventRelay::kDefaultMaximumDepth);
        AutomationServerFixture::TearDown();
    }

    // A call that may take long to cross the bus; nothing is asserted about the time.
    static QDBusMessage slowCall(BusClient& client, QDBusMessage message)
    {
        QDBusPendingCall pending = client.connection().asyncCall(message, 600000);
        QDeadlineTimer deadline(600000);
        while (!pending.isFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return pending.reply();
    }

    static QDBusMessage ping(BusClient& client)
    {
        return client.call(QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    }

    // A Sovereign with a basket and a sink, the UI shown so that the basket takes items.
    QString startSale(BusClient& client, ScriptedSink& sink, QString& api)
    {
        api = createAPI(client);
        // The engine outlives a client that leaves; each sale starts with an empty basket.
        engine->basket.reset();
        engine->ensureBasket();
        advise(client, api, sink);
        const QString ui = pathIn(client.call(api, kAPI, QStringLiteral("UserInterface")));
        client.call(ui, QStringLiteral("org.pcquiba.UserInterface"), QStringLiteral("Show"));
        return pathIn(client.call(api, kAPI, QStringLiteral("Basket")));
    }

    static QVariantList addItemArguments(const QString& product)
    {
        return {wire(Variant(product)), wire(Variant(VariantArray {}))};
    }

    static QDBusMessage commitCall(const QString& basket)
    {
        return QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), basket, kBasket,
                                              QStringLiteral("Commit"));
    }
};

TEST_F(HostileClientTest, CallsAsLargeAsTheBusCarriesAreAnsweredAndTheConnectionIsStillRead)
{
    BusClient client(nextClient());
    BusClient other(nextClient());
    // 64 MiB stopped the reading once; the bus carries at most 128 MiB a message.
    const qsizetype sizes[] = {64 * 1024 * 1024, 128 * 1024 * 1024 - 4096};
    for (const qsizetype size : sizes) {
        QDBusMessage huge = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                          AutomationServer::rootPath(),
                                                          QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                          QStringLiteral("Introspect"));
        huge.setArguments({QString(size, u'x')});
        const QDBusMessage answer = slowCall(client, huge);
        ASSERT_NE(answer.type(), QDBusMessage::InvalidMessage) << size;
        EXPECT_NE(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.NoReply")) << size;
        EXPECT_EQ(ping(client).type(), QDBusMessage::ReplyMessage) << size;
        EXPECT_EQ(ping(other).type(), QDBusMessage::ReplyMessage) << size;
    }
    const QString path = createAPI(other);
    EXPECT_EQ(valueIn(get(other, path, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
}

TEST_F(HostileClientTest, TheFactoryRefusesReleaseAndServesTheNextClient)
{
    BusClient client(nextClient());
    const QDBusMessage refused = client.call(AutomationServer::rootPath(), QStringLiteral("org.pcquiba.pcQUIBA"),
                                             QStringLiteral("Release"));
    EXPECT_EQ(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    BusClient next(nextClient());
    const QString path = createAPI(next);
    EXPECT_EQ(valueIn(get(next, path, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
}

// A sink that commits again inside every BasketCommitted, which the engine raises inside Commit,
// and answers only afterwards: each event nests inside the wait for the one before, up to the
// bound, where the call is refused.
TEST_F(HostileClientTest, CallsFromInsideEventsNestNoDeeperThanTheBound)
{
    constexpr int kBound = 6;
    constexpr int kRounds = 300;
    EventRelay::setMaximumDepth(kBound);
    enum class Answer { Late, AfterItsOwnCall };
    for (const Answer answer : {Answer::Late, Answer::AfterItsOwnCall}) {
        BusClient client(nextClient());
        ScriptedSink sink;
        QString api;
        const QString basket = startSale(client, sink, api);
        engine->products = {QStringLiteral("TOPUP20")};
        client.call(basket, kBasket, QStringLiteral("AddItem"), addItemArguments(QStringLiteral("TOPUP20")));
        ASSERT_TRUE(waitUntil([&] { return engine->ensureBasket().Count() == 1; }));

        int rounds = 0;
        int deepest = 0;
        int refused = 0;
        std::function<void()> commit = [&] {
            auto* watcher = new QDBusPendingCallWatcher(client.connection().asyncCall(commitCall(basket)));
            QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&, watcher] {
                watcher->deleteLater();
                if (watcher->reply().errorName() == kLimitsExceeded) {
                    ++refused;
                    // Again, from outside any event.
                    if (rounds < kRounds)
                        QTimer::singleShot(1, commit);
                }
            });
        };
        sink.handlers.insert(QStringLiteral("BasketCommitted"), [&](const QDBusMessage& event) -> std::optional<QVariantList> {
            ++rounds;
            deepest = std::max(deepest, EventRelay::depth());
            // This engine takes the same basket again, so that every Commit raises the event anew.
            engine->basket->isCommitted = false;
            if (answer == Answer::AfterItsOwnCall) {
                if (client.call(basket, kBasket, QStringLiteral("Commit")).errorName() == kLimitsExceeded)
                    ++refused;
                return QVariantList {};
            }
            if (rounds < kRounds)
                commit();
            QTimer::singleShot(2, [&client, reply = event.createReply()] { client.connection().send(reply); });
            return std::nullopt;
        });
        if (answer == Answer::Late) {
            commit();
            QDeadlineTimer deadline(120000);
            while ((rounds < kRounds || EventRelay::depth() > 0) && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            EXPECT_GE(rounds, kRounds);
        } else {
            client.call(basket, kBasket, QStringLiteral("Commit"));
            // The innermost call is refused and every event under it is answered.
            EXPECT_EQ(rounds, kBound);
            EXPECT_EQ(refused, 1);
        }
        EXPECT_LE(deepest, kBound);
        EXPECT_GE(refused, 1);
        EXPECT_EQ(EventRelay::depth(), 0);
        EXPECT_EQ(valueIn(get(client, api, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
        client.connection().unregisterObject(QStringLiteral("/sink"));
    }
}

// A Sovereign that commits at once after answering ItemAdded: the engine must not receive
// Commit while still inside its own ItemAdded.
TEST_F(HostileClientTest, ACallSentBehindAnAnswerWaitsUntilTheEventHasReturned)
{
    // The race showed in most of seven sales; each sale is a new Sovereign with a new basket.
    for (int sale = 0; sale < 7; ++sale) {
        BusClient client(nextClient());
        ScriptedSink sink;
        QString api;
        const QString basket = startSale(client, sink, api);
        engine->products = {QStringLiteral("TOPUP20")};
        bool committed = false;
        sink.handlers.insert(QStringLiteral("ItemAdded"), [&](const QDBusMessage& event) -> std::optional<QVariantList> {
            client.connection().send(event.createReply(QVariantList {wire(Variant()), wire(Variant(false))}));
            auto* watcher = new QDBusPendingCallWatcher(client.connection().asyncCall(commitCall(basket)));
            QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&, watcher] {
                watcher->deleteLater();
                committed = true;
            });
            return std::nullopt;
        });
        logger->lines.clear();
        client.call(basket, kBasket, QStringLiteral("AddItem"), addItemArguments(QStringLiteral("TOPUP20")));
        ASSERT_TRUE(waitUntil([&] { return committed; })) << sale;
        const QStringList lines = logger->texts();
        const qsizetype eventEnd = lines.indexOf(QStringLiteral(" --> END EVENT: ItemAdded"));
        const qsizetype commit = lines.indexOf(QStringLiteral("CALL: Basket.Commit()"));
        ASSERT_GE(eventEnd, 0) << sale;
        ASSERT_GE(commit, 0) << sale;
        EXPECT_LT(eventEnd, commit) << "sale " << sale << ": " << lines.join(u'\n').toStdString();
        client.connection().unregisterObject(QStringLiteral("/sink"));
    }
}

TEST_F(HostileClientTest, AClientHoldsABoundedNumberOfObjects)
{
    constexpr int kLimit = 4;
    server->objects().setObjectLimit(kLimit);
    BusClient client(nextClient());
    QStringList apis;
    for (int i = 0; i < kLimit; ++i)
        apis.append(createAPI(client));
    const QString factory = QStringLiteral("org.pcquiba.pcQUIBA");
    EXPECT_EQ(client.call(AutomationServer::rootPath(), factory, QStringLiteral("CreateAPI")).errorName(), kLimitsExceeded);
    // An object handed out counts as well.
    EXPECT_EQ(client.call(apis.first(), kAPI, QStringLiteral("Basket")).errorName(), kLimitsExceeded);

    BusClient other(nextClient());
    EXPECT_EQ(valueIn(get(other, createAPI(other), QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
    EXPECT_EQ(client.call(apis.takeLast(), kAPI, QStringLiteral("Release")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(client.call(AutomationServer::rootPath(), factory, QStringLiteral("CreateAPI")).type(), QDBusMessage::ReplyMessage);
}

TEST_F(HostileClientTest, TheSameSinkAdvisedAgainHearsEachEventOnce)
{
    BusClient client(nextClient());
    const QString api = createAPI(client);
    ScriptedSink sink;
    advise(client, api, sink);
    const QVariant sinkPath = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/sink")));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(client.call(api, kAPI, QStringLiteral("Advise"), {sinkPath}).type(), QDBusMessage::ReplyMessage);
    engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
    EXPECT_EQ(sink.events, QStringList {QStringLiteral("GetData")});

    // One Unadvise undoes it.
    EXPECT_EQ(client.call(api, kAPI, QStringLiteral("Unadvise"), {sinkPath}).type(), QDBusMessage::ReplyMessage);
    engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
    EXPECT_EQ(sink.events, QStringList {QStringLiteral("GetData")});
}

// The client that holds a data request open leaves the bus while another client stays: the
// request is cancelled at once, and the log tells a departure, not a time-out.
TEST_F(HostileClientTest, AClientLeavingInsideGetDataCancelsTheRequest)
{
    ProcessState& state = ProcessState::instance();
    state.timeoutMessageText = QStringLiteral("The Sovereign does not answer.");
    state.timeoutMessageTitle = QStringLiteral("pcQUIBA");
    BusClient stays(nextClient());
    createAPI(stays);
    auto leaves = std::make_unique<BusClient>(nextClient());
    const QString path = createAPI(*leaves);
    ScriptedSink sink;
    leaveInsideGetData(leaves, sink);
    advise(*leaves, path, sink);
    ASSERT_EQ(frmController::instance().clientCount(), 2);

    const FakeRulesEngine::GetDataAnswer answer = engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
    EXPECT_TRUE(answer.cancel);
    EXPECT_FALSE(logger->texts().contains(QStringLiteral("pcQUIBA: The Sovereign does not answer.")));
    const auto departure = std::find_if(logger->lines.cbegin(), logger->lines.cend(), [](const RecordingLogger::Line& line) {
        return line.text.contains(QStringLiteral("left the bus during event GetData"));
    });
    ASSERT_NE(departure, logger->lines.cend());
    EXPECT_EQ(departure->severity, 2);
    EXPECT_TRUE(waitUntil([&] { return frmController::instance().clientCount() == 1; }));
}

// About 2 MB of text in an array whose last element no automation value holds.
QVariant poisonedArray(const QVariant& poison)
{
    QVariantList items(2000, QString(1000, u'x'));
    items.append(poison);
    return QVariant::fromValue(QDBusVariant(QVariant(items)));
}

// A value that fails to decode part-way, through a method, Properties.Set or a sink's reply,
// leaves nothing of its message behind.
TEST_F(HostileClientTest, ValuesThatFailToDecodePartWayLeaveNoMemoryBehind)
{
    BusClient client(nextClient());
    ScriptedSink sink;
    QString api;
    const QString basket = startSale(client, sink, api);
    BusClient other(nextClient());
    const QVariant dictionary = QVariant(QVariantMap {{QStringLiteral("key"), 1}});
    const QVariant othersObject = QVariant::fromValue(QDBusObjectPath(createAPI(other)));
    const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

    QVariant answer;
    sink.handlers.insert(QStringLiteral("GetData"), [&](const QDBusMessage&) -> std::optional<QVariantList> {
        return QVariantList {answer, wire(Variant(false))};
    });
    const auto addItem = [&](const QVariant& value) {
        return client.call(basket, kBasket, QStringLiteral("AddItem"), {wire(Variant("TN-10")), value}).errorName();
    };
    const auto setProperty = [&](const QVariant& value) {
        return client.call(api, kProperties, QStringLiteral("Set"), {kAPI, QStringLiteral("POSDeviceID"), value}).errorName();
    };
    // The handler counts as failed: the request keeps the data it had.
    const auto answerGetData = [&](const QVariant& value) {
        answer = value;
        const Variant data = engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4).data;
        return data.isEmpty() ? QString() : QStringLiteral("the reply was taken");
    };
    struct Case {
        const char* what;
        std::function<QString(const QVariant&)> send;
        QVariant poison;
        QString error;
    };
    const Case cases[] = {
        {"a dictionary through a method", addItem, dictionary, invalidArgs},
        {"another client's object through a method", addItem, othersObject, BusError::name(424)},
        {"a dictionary through Properties.Set", setProperty, dictionary, invalidArgs},
        {"another client's object through Properties.Set", setProperty, othersObject, BusError::name(424)},
        {"a dictionary in a sink's reply", answerGetData, dictionary, QString()},
    };
    const auto sendAll = [&](int times) {
        for (const Case& c : cases) {
            const QVariant value = poisonedArray(c.poison);
            for (int i = 0; i < times; ++i)
                EXPECT_EQ(c.send(value), c.error) << c.what;
        }
        // The recording fakes keep every line; only the server's own memory is measured.
        logger->lines.clear();
        errorHandler->events.clear();
        engine->calls.clear();
    };
    sendAll(2);
    const qint64 before = residentKilobytes();
    sendAll(30);
    const qint64 after = residentKilobytes();
    std::printf("resident size before %lld kB, after %lld kB\n", before, after);
    EXPECT_EQ(valueIn(get(client, api, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
#if !defined(__SANITIZE_ADDRESS__)
    // 150 calls of 2 MB; each kept message would add 2 MB.
    EXPECT_LT(after - before, 40 * 1024);
#endif
}

// Client R re-enters with RaisePrintEvents(True) inside PrintBegin and answers at once, client S
// holds its first print event: a third client with no part in the events is served while S's
// event still waits.
TEST_F(HostileClientTest, AClientWithNoPartInAnEventIsServedWhileTheEventWaits)
{
    BusClient reentering(nextClient());
    BusClient silent(nextClient());
    BusClient bystander(nextClient());
    ScriptedSink reenteringSink;
    ScriptedSink silentSink;
    QString api;
    const QString basket = startSale(reentering, reenteringSink, api);
    const QString silentApi = createAPI(silent);
    advise(silent, silentApi, silentSink);
    const QString bystanderApi = createAPI(bystander);

    FakeEngineBasket& sale = engine->ensureBasket();
    sale.isCommitted = true;
    const QString voucher = qEnvironmentVariable("PCQUIBA_ROOT") + QStringLiteral("/bystander-voucher.xml");
    QFile::remove(voucher);
    ASSERT_TRUE(QFile::copy(QStringLiteral(PCQUIBA_TEST_DATA "/vouchers/sample.xml"), voucher));
    QFile::setPermissions(voucher, QFile::ReadOwner | QFile::WriteOwner);
    sale.documents = {voucher};
    sale.releasedDocuments = {voucher};
    const QString vouchers = pathIn(reentering.call(basket, kBasket, QStringLiteral("Vouchers")));
    const auto raisePrintEvents = [&] {
        QDBusMessage call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), vouchers,
                                                           QStringLiteral("org.pcquiba.Vouchers"), QStringLiteral("RaisePrintEvents"));
        call.setArguments({wire(Variant(true))});
        return call;
    };

    int begins = 0;
    reenteringSink.handlers.insert(QStringLiteral("PrintBegin"), [&](const QDBusMessage&) -> std::optional<QVariantList> {
        if (++begins == 1)
            reentering.connection().asyncCall(raisePrintEvents());
        return QVariantList {};
    });

    std::optional<QDBusMessage> held;
    bool silentAnswered = false;
    bool servedWhileHeld = false;
    QString version;
    const auto answerSilent = [&] {
        if (held && !std::exchange(silentAnswered, true))
            silent.connection().send(held->createReply());
    };
    // Should the bystander be held, S answers after a while so that the test ends.
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, answerSilent);
    const auto holdFirst = [&](const QDBusMessage& event) -> std::optional<QVariantList> {
        if (held)
            return QVariantList {};
        held = event;
        auto* watcher = new QDBusPendingCallWatcher(bystander.connection().asyncCall(
            QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), bystanderApi, kProperties, QStringLiteral("Get"))
            << kAPI << QStringLiteral("Version")));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&, watcher] {
            watcher->deleteLater();
            version = valueIn(watcher->reply()).toString();
            servedWhileHeld = !silentAnswered && EventRelay::depth() > 0;
            answerSilent();
        });
        fallback.start(10000);
        return std::nullopt;
    };
    for (const char* event : {"PrintBegin", "PrintVoucher", "PrintText", "PrintLine", "PrintBarcode", "PrintGraphicsBegin",
                              "PrintImage", "PrintGraphicsEnd", "PrintCut", "PrintVoucherEnd", "PrintEnd"})
        silentSink.handlers.insert(QString::fromLatin1(event), holdFirst);

    const QDBusMessage printed = reentering.call(vouchers, QStringLiteral("org.pcquiba.Vouchers"), QStringLiteral("RaisePrintEvents"),
                                                 {wire(Variant(true))});
    ASSERT_TRUE(waitUntil([&] { return silentAnswered && EventRelay::depth() == 0 && !version.isEmpty(); }));
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(printed.type(), QDBusMessage::ReplyMessage) << printed.errorMessage().toStdString();
    EXPECT_TRUE(servedWhileHeld);
    EXPECT_EQ(version, QStringLiteral("VB.01.02.03"));
    reentering.connection().unregisterObject(QStringLiteral("/sink"));
    silent.connection().unregisterObject(QStringLiteral("/sink"));
}

// Inside StartDevice the Sovereign adds an item and then injects data without waiting for
// either, and answers the event: the engine receives the item first.
TEST_F(HostileClientTest, WorkAskedForInsideAnEventReachesTheEngineInTheOrderAsked)
{
    BusClient client(nextClient());
    ScriptedSink sink;
    QString api;
    const QString basket = startSale(client, sink, api);
    engine->products = {QStringLiteral("TOPUP20")};
    engine->activeDevices = 4;
    sink.handlers.insert(QStringLiteral("StartDevice"), [&](const QDBusMessage&) -> std::optional<QVariantList> {
        QDBusMessage add = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), basket, kBasket,
                                                          QStringLiteral("AddItem"));
        add.setArguments(addItemArguments(QStringLiteral("TOPUP20")));
        client.connection().asyncCall(add);
        // The item's work is held by this event's relay before the injection is sent.
        waitUntil([] { return frmController::instance().Args().exists(QStringLiteral("ProductID")); });
        QDBusMessage inject = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), api, kAPI,
                                                             QStringLiteral("InjectData"));
        inject.setArguments({wire(Variant("4711")), wire(Variant(qint32(4)))});
        client.connection().asyncCall(inject);
        return QVariantList {};
    });
    engine->calls.clear();
    engine->sink()->StartDevice(4);
    const auto reached = [&](const QString& call) {
        return std::find_if(engine->calls.cbegin(), engine->calls.cend(), [&](const QString& line) { return line.startsWith(call); })
               - engine->calls.cbegin();
    };
    ASSERT_TRUE(waitUntil([&] { return reached(QStringLiteral("InjectDeviceData(")) < engine->calls.size()
                                       && reached(QStringLiteral("AddItem(")) < engine->calls.size(); }))
        << engine->calls.join(u'\n').toStdString();
    EXPECT_LT(reached(QStringLiteral("AddItem(")), reached(QStringLiteral("InjectDeviceData(")))
        << engine->calls.join(u'\n').toStdString();
    client.connection().unregisterObject(QStringLiteral("/sink"));
}

} // namespace
