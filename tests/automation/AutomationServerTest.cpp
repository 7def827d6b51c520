#include "AutomationServerFixture.h"
#include "automation/BusError.h"
#include "automation/BusValue.h"
#include "services/QuibaErrors.h"
#include "controller/frmController.h"

#include "BusTestSupport.h"
#include "ScriptedSink.h"
#include "common/ResidentMemory.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace automation_test;

class AutomationServerTest : public AutomationServerFixture {
};

TEST_F(AutomationServerTest, ASovereignDrivesTheAPIObjectThroughPropertiesAndMethods)
{
    BusClient client(nextClient());
    const QString path = createAPI(client);
    EXPECT_TRUE(path.startsWith(AutomationServer::rootPath() + QStringLiteral("/API_"))) << path.toStdString();
    ASSERT_TRUE(engine);
    EXPECT_EQ(valueIn(get(client, path, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));

    const QDBusMessage set = client.call(path, kProperties, QStringLiteral("Set"),
                                         {kAPI, QStringLiteral("SovereignName"), wire(Variant("  Till  "))});
    EXPECT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();
    EXPECT_EQ(engine->sovereignName, QStringLiteral("Till"));

    EXPECT_EQ(client.call(path, kAPI, QStringLiteral("SetPOSInfo"), {wire(Variant("_Lane")), wire(Variant("front"))}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(valueIn(client.call(path, kAPI, QStringLiteral("POSInfo"), {wire(Variant("lane"))})).toString(), QStringLiteral("front"));

    const QDBusMessage assigned = client.call(path, kAPI, QStringLiteral("Assign1"),
                                              {wire(Variant(" HW1 ")), QVariant::fromValue(BusValue::missing())});
    ASSERT_EQ(assigned.arguments().size(), 5) << assigned.errorMessage().toStdString();
    EXPECT_EQ(valueIn(assigned, 1).toString(), QStringLiteral("HW1"));
}

TEST_F(AutomationServerTest, ARefusedReadIsTheAutomationErrorAndGetAllLeavesItOut)
{
    BusClient client(nextClient());
    const QString path = createAPI(client);
    engine->assignRequired = true;
    const QDBusMessage refused = get(client, path, QStringLiteral("TrainingMode"));
    const std::optional<AutomationError> error = BusError::parse(refused.errorName(), refused.errorMessage());
    ASSERT_TRUE(error) << refused.errorName().toStdString();
    EXPECT_EQ(error->number(), qint32(quibaAssignRequired));
    EXPECT_EQ(error->source(), QStringLiteral("pcQUIBAAPI"));
    EXPECT_EQ(error->description(), QStringLiteral("pcQUIBA is not assigned to Host"));

    const QDBusMessage all = client.call(path, kProperties, QStringLiteral("GetAll"), {kAPI});
    const QVariantMap values = qdbus_cast<QVariantMap>(all.arguments().value(0));
    EXPECT_FALSE(values.contains(QStringLiteral("TrainingMode")));
    EXPECT_EQ(values.value(QStringLiteral("Version")).toString(), QStringLiteral("VB.01.02.03"));
    EXPECT_EQ(values.value(QStringLiteral("IsAssigned")).toBool(), false);

    BusClient stranger(nextClient());
    EXPECT_EQ(get(stranger, path, QStringLiteral("Version")).errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
}

TEST_F(AutomationServerTest, GetDataIsAnsweredByOutValuesOrByInjectingFromInsideTheHandler)
{
    struct Case {
        bool injects;
        QString expected;
    };
    const Case cases[] = {{false, QStringLiteral("5678")}, {true, QStringLiteral("1234")}};
    for (const Case& c : cases) {
        BusClient client(nextClient());
        const QString path = createAPI(client);
        ScriptedSink sink;
        QDBusMessage injected;
        sink.handlers.insert(QStringLiteral("GetData"), [&](const QDBusMessage& event) -> std::optional<QVariantList> {
            EXPECT_EQ(valueIn(event, 0).toString(), QStringLiteral("Card"));
            if (c.injects)
                injected = client.call(path, kAPI, QStringLiteral("InjectData"), {wire(Variant("1234")), wire(Variant(qint32(4)))});
            return QVariantList {wire(Variant("5678")), wire(Variant(false))};
        });
        advise(client, path, sink);

        const FakeRulesEngine::GetDataAnswer answer = engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
        EXPECT_EQ(sink.events, QStringList {QStringLiteral("GetData")});
        if (c.injects) {
            EXPECT_EQ(injected.type(), QDBusMessage::ReplyMessage) << injected.errorMessage().toStdString();
        }
        EXPECT_EQ(answer.data.toString(), c.expected);
        EXPECT_FALSE(answer.cancel);
        client.connection().unregisterObject(QStringLiteral("/sink"));
    }
}

TEST_F(AutomationServerTest, ASinkThatNeverAnswersIsCutOffAtTheTimeOutAndTheSaleGoesOn)
{
    ProcessState& state = ProcessState::instance();
    state.automationTimeout = 300;
    state.timeoutMessageText = QStringLiteral("The Sovereign does not answer.");
    state.timeoutMessageTitle = QStringLiteral("pcQUIBA");
    BusClient client(nextClient());
    const QString path = createAPI(client);
    ScriptedSink sink;
    sink.handlers.insert(QStringLiteral("PrintText"), [](const QDBusMessage&) { return std::nullopt; });
    advise(client, path, sink);

    const std::shared_ptr<API> api = apiAt(client, path);
    ASSERT_TRUE(api);
    api->PrintText(QStringLiteral("A"), QString(), 1, 1, QStringLiteral("Left"), 0, QStringLiteral("line"));
    api->PrintEnd();
    state.automationTimeout = 60000;
    EXPECT_EQ(sink.events, (QStringList {QStringLiteral("PrintText"), QStringLiteral("PrintEnd")}));
    EXPECT_TRUE(logger->texts().contains(QStringLiteral("pcQUIBA: The Sovereign does not answer.")));
}

TEST_F(AutomationServerTest, ASovereignLeavingInsideGetDataEndsItsClientAndTheNextOneIsServed)
{
    ProcessState::instance().wellBehaved = true;
    auto client = std::make_unique<BusClient>(nextClient());
    const QString path = createAPI(*client);
    ScriptedSink sink;
    leaveInsideGetData(client, sink);
    advise(*client, path, sink);
    const auto first = engine;
    ASSERT_EQ(frmController::instance().clientCount(), 1);

    first->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
    ASSERT_TRUE(waitUntil([&] { return !frmController::isLoaded(); }));
    EXPECT_EQ(server->objects().objectCount(), 1);
    EXPECT_EQ(first->calls.mid(first->calls.size() - 2), (QStringList {QStringLiteral("ClearBasket()"), QStringLiteral("HideGUI(False, )")}));

    BusClient next(nextClient());
    const QString again = createAPI(next);
    EXPECT_EQ(valueIn(get(next, again, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
}

TEST_F(AutomationServerTest, ASaleOverTheBusHandsOutTheSaleObjectsUnderTheClientsTree)
{
    ProcessState::instance().wellBehaved = true;
    auto sovereign = std::make_unique<BusClient>(nextClient());
    BusClient& client = *sovereign;
    const QString api = createAPI(client);
    engine->products = {QStringLiteral("TOPUP20")};
    engine->ensureBasket();
    ScriptedSink sink;
    QStringList itemPaths;
    sink.handlers.insert(QStringLiteral("ItemAdded"), [&](const QDBusMessage& event) -> std::optional<QVariantList> {
        itemPaths.append(qvariant_cast<QDBusVariant>(event.arguments().value(0)).variant().value<QDBusObjectPath>().path());
        // A path written back in the item's place is ignored.
        return QVariantList {QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(api)))), wire(Variant(false))};
    });
    QStringList printed;
    sink.handlers.insert(QStringLiteral("PrintText"), [&](const QDBusMessage& event) -> std::optional<QVariantList> {
        printed.append(valueIn(event, 6).toString());
        return QVariantList {};
    });
    advise(client, api, sink);

    const QString basket = pathIn(client.call(api, kAPI, QStringLiteral("Basket")));
    EXPECT_TRUE(basket.startsWith(api + QStringLiteral("/Basket_"))) << basket.toStdString();
    EXPECT_EQ(pathIn(client.call(api, kAPI, QStringLiteral("Basket"))), basket);
    const QString ui = pathIn(client.call(api, kAPI, QStringLiteral("UserInterface")));
    EXPECT_EQ(client.call(ui, QStringLiteral("org.pcquiba.UserInterface"), QStringLiteral("Show")).type(), QDBusMessage::ReplyMessage);

    const QString basketInterface = QStringLiteral("org.pcquiba.Basket");
    const QDBusMessage added = client.call(basket, basketInterface, QStringLiteral("AddItem"),
                                           {wire(Variant("TOPUP20")), wire(Variant(VariantArray {Variant("20")}))});
    EXPECT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
    ASSERT_TRUE(waitUntil([&] { return engine->ensureBasket().Count() == 1; }));
    ASSERT_EQ(itemPaths.size(), 1);
    EXPECT_TRUE(itemPaths.first().startsWith(api + QStringLiteral("/BasketItem_"))) << itemPaths.first().toStdString();
    EXPECT_EQ(valueIn(client.call(itemPaths.first(), kProperties, QStringLiteral("Get"),
                                  {QStringLiteral("org.pcquiba.BasketItem"), QStringLiteral("ProductID")})).toString(),
              QStringLiteral("TOPUP20"));
    const QDBusMessage enumerated = client.call(basket, basketInterface, QStringLiteral("NewEnum"));
    const QDBusArgument list = qvariant_cast<QDBusVariant>(enumerated.arguments().value(0)).variant().value<QDBusArgument>();
    QStringList enumeratedPaths;
    list.beginArray();
    while (!list.atEnd()) {
        QDBusVariant item;
        list >> item;
        enumeratedPaths.append(item.variant().value<QDBusObjectPath>().path());
    }
    list.endArray();
    ASSERT_EQ(enumeratedPaths.size(), 1);
    EXPECT_EQ(valueIn(client.call(enumeratedPaths.first(), kProperties, QStringLiteral("Get"),
                                  {QStringLiteral("org.pcquiba.BasketItem"), QStringLiteral("ProductID")})).toString(),
              QStringLiteral("TOPUP20"));

    EXPECT_TRUE(valueIn(client.call(basket, basketInterface, QStringLiteral("Commit"))).toBool());
    const QString folder = TestEnvironment::root() + QStringLiteral("/data");
    QDir().mkpath(folder);
    const QString voucherFile = folder + QStringLiteral("/bus-voucher.xml");
    QFile::remove(voucherFile);
    ASSERT_TRUE(QFile::copy(QStringLiteral(PCQUIBA_TEST_DATA "/api/voucher.xml"), voucherFile));
    QFile::setPermissions(voucherFile, QFile::ReadOwner | QFile::WriteOwner);
    engine->ensureBasket().documents.append(voucherFile);
    engine->ensureBasket().releasedDocuments.insert(voucherFile);
    const QString vouchers = pathIn(client.call(basket, basketInterface, QStringLiteral("Vouchers")));
    const QDBusMessage raised = client.call(vouchers, QStringLiteral("org.pcquiba.Vouchers"), QStringLiteral("RaisePrintEvents"),
                                            {wire(Variant(true))});
    EXPECT_EQ(raised.type(), QDBusMessage::ReplyMessage) << raised.errorMessage().toStdString();
    EXPECT_FALSE(printed.isEmpty());
    EXPECT_TRUE(sink.events.contains(QStringLiteral("PrintBegin")));
    EXPECT_TRUE(sink.events.contains(QStringLiteral("PrintEnd")));

    sovereign.reset();
    EXPECT_TRUE(waitUntil([&] { return server->objects().objectCount() == 1; })) << server->objects().objectCount();
    EXPECT_TRUE(waitUntil([&] { return !frmController::isLoaded(); }));
}

TEST_F(AutomationServerTest, ASovereignKilledInsideGetDataLeavesTheServerToTheNextOne)
{
    ProcessState::instance().wellBehaved = true;
    QProcess sovereign;
    QByteArray said;
    sovereign.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(PCQUIBA_TEST_DATA "/automation/silent_sovereign.py"), AutomationServer::serviceName()});
    ASSERT_TRUE(waitUntil([&] { return (said += sovereign.readAllStandardOutput()).contains("ready"); }))
        << sovereign.readAllStandardError().toStdString();
    engine = FakeRulesEngine::last();
    ASSERT_EQ(frmController::instance().clientCount(), 1);

    QTimer killer;
    QObject::connect(&killer, &QTimer::timeout, [&] {
        if ((said += sovereign.readAllStandardOutput()).contains("GetData") && sovereign.state() == QProcess::Running)
            ::kill(pid_t(sovereign.processId()), SIGKILL);
    });
    killer.start(10);
    engine->raiseGetData(QStringLiteral("Card"), QStringLiteral("Text"), 4);
    killer.stop();
    EXPECT_TRUE(said.contains("GetData"));
    EXPECT_TRUE(waitUntil([&] { return !frmController::isLoaded(); }));
    EXPECT_EQ(server->objects().objectCount(), 1);
    EXPECT_EQ(engine->calls.mid(engine->calls.size() - 2), (QStringList {QStringLiteral("ClearBasket()"), QStringLiteral("HideGUI(False, )")}));
    sovereign.waitForFinished(5000);

    BusClient next(nextClient());
    const QString again = createAPI(next);
    EXPECT_EQ(valueIn(get(next, again, QStringLiteral("Version"))).toString(), QStringLiteral("VB.01.02.03"));
}

TEST_F(AutomationServerTest, TenThousandClientsMadeAndReleasedLeaveNothingBehind)
{
    BusClient client(nextClient());
    for (int i = 0; i < 100; ++i)
        client.call(createAPI(client), kAPI, QStringLiteral("Release"));
    const qint64 before = residentKilobytes();
    for (int i = 0; i < 10000; ++i) {
        const QDBusMessage released = client.call(createAPI(client), kAPI, QStringLiteral("Release"));
        ASSERT_EQ(released.type(), QDBusMessage::ReplyMessage) << i;
        // The recording fakes keep every line; only the server's own memory is measured.
        logger->lines.clear();
        errorHandler->events.clear();
        engine->calls.clear();
    }
    const qint64 after = residentKilobytes();
    std::printf("resident size before %lld kB, after %lld kB\n", before, after);
    EXPECT_EQ(server->objects().objectCount(), 1);
    EXPECT_EQ(frmController::instance().clientCount(), 0);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back on purpose, so the size says nothing there.
    EXPECT_LT(after - before, 1024);
#endif
}

// The XML block of docs/automation.md that follows a line naming it ("<!-- introspection: API -->").
QString documentedXml(const QString& name)
{
    QFile file(QStringLiteral(PCQUIBA_SOURCE_DIR "/docs/automation.md"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<no document>");
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype marker = text.indexOf(QStringLiteral("<!-- introspection: %1 -->").arg(name));
    const qsizetype start = text.indexOf(QStringLiteral("```xml\n"), marker);
    const qsizetype end = text.indexOf(QStringLiteral("```\n"), start + 7);
    if (marker < 0 || start < 0 || end < 0)
        return QStringLiteral("<no block %1>").arg(name);
    return text.mid(start + 7, end - start - 7);
}

// Child nodes come and go with the clients; the document shows none.
QString withoutChildren(QString xml)
{
    static const QRegularExpression child(QStringLiteral("  <node name=\"[^\"]*\"/>\n"));
    return xml.remove(child);
}

TEST_F(AutomationServerTest, TheDocumentShowsWhatTheServerIntrospectsTo)
{
    BusClient client(nextClient());
    const QString path = createAPI(client);
    const QString introspectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
    const std::pair<QString, QString> objects[] = {{QStringLiteral("pcQUIBA"), AutomationServer::rootPath()},
                                                   {QStringLiteral("API"), path}};
    for (const auto& [name, objectPath] : objects) {
        const QString live = withoutChildren(client.call(objectPath, introspectable, QStringLiteral("Introspect")).arguments().value(0).toString());
        EXPECT_EQ(documentedXml(name), live) << name.toStdString();
    }
}

} // namespace
