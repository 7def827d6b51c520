#include "AutomationServerFixture.h"

#include "api/Basket.h"
#include "api/BasketItem.h"
#include "api/Eftpos.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"
#include "automation/APIEventTable.h"
#include "automation/AutomationType.h"
#include "automation/BusEventSink.h"
#include "automation/InterfaceFiles.h"
#include "automation/IntrospectionXml.h"

#include "org_pcquiba_api.h"
#include "org_pcquiba_pcquiba.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <functional>

namespace automation_test {
namespace {

const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<cannot read %1>").arg(path);
}

// The <interface> element of that name, as the document writes it.
QString interfaceIn(const QString& xml, const QString& name)
{
    const qsizetype start = xml.indexOf(QStringLiteral("  <interface name=\"%1\">\n").arg(name));
    const QString closing = QStringLiteral("  </interface>\n");
    const qsizetype end = xml.indexOf(closing, start);
    if (start < 0 || end < 0)
        return QStringLiteral("<no interface %1>").arg(name);
    return xml.mid(start, end + closing.size() - start);
}

class InterfaceFilesTest : public AutomationServerFixture {
protected:
    QString introspect(BusClient& client, const QString& path)
    {
        return client.call(path, kIntrospectable, QStringLiteral("Introspect")).arguments().value(0).toString();
    }

    // A path the server serves for an object of each class the Sovereign can hold.
    QMap<QString, QString> livePaths(BusClient& client, const QString& apiPath)
    {
        const QString tree = server->objects().treeOf(apiPath);
        const ObjectRef objects[] = {std::make_shared<Basket>(),
                                     std::make_shared<BasketItem>(),
                                     std::make_shared<Vouchers>([](std::shared_ptr<Collection>&) {}),
                                     std::make_shared<Voucher>(QStringLiteral("voucher.xml")),
                                     std::make_shared<UserInterface>(),
                                     std::make_shared<Settings>(),
                                     std::make_shared<Eftpos>(),
                                     std::make_shared<Journal>()};
        QMap<QString, QString> paths {{QStringLiteral("org.pcquiba.pcQUIBA"), AutomationServer::rootPath()},
                                      {kAPI, apiPath}};
        for (const ObjectRef& object : objects) {
            kept.append(object);
            paths.insert(QStringLiteral("org.pcquiba.") + object->className(), server->objects().pathFor(client.uniqueName(), tree, object));
        }
        return paths;
    }

    QList<ObjectRef> kept;
};

// The build writes what the tables describe, one file per interface, and nothing else; the
// interfaces the server serves read in its live introspection exactly as in their files.
TEST_F(InterfaceFilesTest, TheBuiltFilesAreWhatTheServerIntrospects)
{
    const QDir folder(QStringLiteral(PCQUIBA_INTERFACES_DIR));
    QStringList expected;
    for (const InterfaceFiles::File& file : InterfaceFiles::all()) {
        expected.append(file.fileName());
        EXPECT_EQ(readFile(folder.filePath(file.fileName())), file.xml) << file.fileName().toStdString();
    }
    expected.sort();
    EXPECT_EQ(folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name), expected);
    // The build installs the files it names; they are the ones the program writes.
    QStringList installed;
    for (const QString& name : QStringLiteral(PCQUIBA_INTERFACE_NAMES).split(u','))
        installed.append(name + QStringLiteral(".xml"));
    installed.sort();
    EXPECT_EQ(installed, expected);

    BusClient client(nextClient());
    const QString apiPath = createAPI(client);
    const QMap<QString, QString> paths = livePaths(client, apiPath);
    const QString enumsSeenOn = introspect(client, apiPath);
    for (const InterfaceFiles::File& file : InterfaceFiles::all()) {
        const QString name = file.interfaceName;
        if (name == BusEventSink::interfaceName())
            continue;
        ASSERT_FALSE(paths.value(name, enumsSeenOn).isEmpty()) << name.toStdString();
        const QString live = paths.contains(name) ? introspect(client, paths.value(name)) : enumsSeenOn;
        const QString written = readFile(folder.filePath(file.fileName()));
        EXPECT_EQ(interfaceIn(written, name), interfaceIn(live, name)) << name.toStdString();
        // A file holds its one interface and nothing else.
        EXPECT_EQ(written.count(QStringLiteral("<interface ")), 1) << name.toStdString();
    }
}

// Every member, argument, property and event says its automation type and meaning; the wire
// types stay variants, so Sovereigns written against the old introspection keep working.
TEST_F(InterfaceFilesTest, EveryElementCarriesItsAutomationTypeAndMeaning)
{
    const QString typeNote = IntrospectionXml::automationTypeAnnotation();
    const QString docNote = IntrospectionXml::docStringAnnotation();
    for (const InterfaceFiles::File& file : InterfaceFiles::all()) {
        QXmlStreamReader reader(file.xml);
        QStringList open;  // "kind name" of the elements being read
        QList<QStringList> notes;
        const auto check = [&](const QString& element, const QStringList& seen, bool result) {
            const bool needsType = !element.startsWith(QStringLiteral("method ")) || result;
            const bool needsDoc = !element.startsWith(QStringLiteral("arg out"));
            EXPECT_EQ(seen.contains(typeNote), needsType) << file.fileName().toStdString() << ": " << element.toStdString();
            EXPECT_EQ(seen.contains(docNote), needsDoc) << file.fileName().toStdString() << ": " << element.toStdString();
        };
        QList<bool> hasResult;
        while (!reader.atEnd()) {
            reader.readNext();
            const QString tag = reader.name().toString();
            const auto attributes = reader.attributes();
            if (reader.isStartElement() && (tag == u"method" || tag == u"property" || tag == u"arg")) {
                const QString type = attributes.value(QStringLiteral("type")).toString();
                if (tag != u"method") {
                    EXPECT_TRUE(type == u"v" || (tag == u"arg" && type == u"o")) << file.fileName().toStdString();
                }
                if (tag == u"arg" && attributes.value(QStringLiteral("name")) == u"result" && !hasResult.isEmpty())
                    hasResult.last() = true;
                open.append(tag + u' ' + (tag == u"arg" ? attributes.value(QStringLiteral("direction")).toString() + u' ' : QString())
                            + attributes.value(QStringLiteral("name")).toString());
                notes.append(QStringList());
                if (tag == u"method")
                    hasResult.append(false);
            } else if (reader.isStartElement() && tag == u"annotation" && !notes.isEmpty()) {
                notes.last().append(attributes.value(QStringLiteral("name")).toString());
            } else if (reader.isEndElement() && (tag == u"method" || tag == u"property" || tag == u"arg")) {
                check(open.takeLast(), notes.takeLast(), tag == u"method" && hasResult.takeLast());
            }
        }
        EXPECT_FALSE(reader.hasError()) << file.fileName().toStdString() << ": " << reader.errorString().toStdString();
    }
}

// What the sink's interface file says is what pcQUIBA calls on a sink: each event of the table,
// in its order, with as many arguments as it lists, each of the wire type its automation type
// gives; the by-reference ones are read back from the reply in order.
TEST_F(InterfaceFilesTest, TheSinkInterfaceIsTheCallsASinkReceives)
{
    EXPECT_EQ(readFile(QStringLiteral(PCQUIBA_INTERFACES_DIR "/org.pcquiba.APIEvents.xml")), IntrospectionXml::eventsDocument());

    BusClient client(nextClient());
    const QString apiPath = createAPI(client);
    ScriptedSink recorder;
    QList<QDBusMessage> received;
    for (const BusEvent& event : APIEventTable::events()) {
        recorder.handlers.insert(event.name, [&received](const QDBusMessage& message) -> std::optional<QVariantList> {
            received.append(message);
            return QVariantList {wire(Variant(QStringLiteral("back"))), wire(Variant(true))};
        });
    }
    ASSERT_TRUE(client.connection().registerVirtualObject(QStringLiteral("/sink"), &recorder));
    auto sink = std::make_shared<BusEventSink>(server->objects(), client.uniqueName(), QStringLiteral("/sink"),
                                               server->objects().treeOf(apiPath));

    Variant data(QStringLiteral("so far"));
    bool getDataCancel = false;
    bool itemCancel = false;
    auto item = std::make_shared<BasketItem>();
    auto voucher = std::make_shared<Voucher>(QStringLiteral("voucher.xml"));
    const QString text = QStringLiteral("text");
    const std::function<void(APIEvents&)> raise[] = {
        [&](APIEvents& s) { s.Surrender(7, text); },
        [&](APIEvents& s) { s.RefuseInterrupt(); },
        [&](APIEvents& s) { s.StartDevice(4); },
        [&](APIEvents& s) { s.StopDevice(4); },
        [&](APIEvents& s) { s.GetData(text, text, 4, text, data, getDataCancel); },
        [&](APIEvents& s) { s.DataMismatch(1, Variant(qint32(2)), text); },
        [&](APIEvents& s) { s.ItemAdded(item, itemCancel); },
        [&](APIEvents& s) { s.ItemRemoved(item); },
        [&](APIEvents& s) { s.AddItemFailed(text, text); },
        [&](APIEvents& s) { s.VoucherAvailable(voucher); },
        [&](APIEvents& s) { s.BasketCommitted(1); },
        [&](APIEvents& s) { s.BasketSuspended(text); },
        [&](APIEvents& s) { s.SuspendFailed(text); },
        [&](APIEvents& s) { s.ResumeComplete(1); },
        [&](APIEvents& s) { s.ResumeFailed(text, text); },
        [&](APIEvents& s) { s.PrintBegin(1); },
        [&](APIEvents& s) { s.PrintVoucher(text); },
        [&](APIEvents& s) { s.PrintText(text, text, 1, 1, text, 0, text); },
        [&](APIEvents& s) { s.PrintLine(1); },
        [&](APIEvents& s) { s.PrintBarcode(text, 2, 10, text, text); },
        [&](APIEvents& s) { s.PrintGraphicsBegin(text); },
        [&](APIEvents& s) { s.PrintImage(text, text); },
        [&](APIEvents& s) { s.PrintGraphicsEnd(); },
        [&](APIEvents& s) { s.PrintCut(true); },
        [&](APIEvents& s) { s.PrintVoucherEnd(); },
        [&](APIEvents& s) { s.PrintEnd(); },
        [&](APIEvents& s) { s.Closing(text); },
    };
    for (const auto& event : raise)
        event(*sink);

    const QMap<QString, QMetaType> wireTypes {
        {AutomationType::boolean(), QMetaType::fromType<bool>()},       {AutomationType::integer(), QMetaType::fromType<qint16>()},
        {AutomationType::longInteger(), QMetaType::fromType<qint32>()}, {AutomationType::string(), QMetaType::fromType<QString>()},
        {BasketItem::kClassName, QMetaType::fromType<QDBusObjectPath>()}, {Voucher::kClassName, QMetaType::fromType<QDBusObjectPath>()},
    };
    const QList<BusEvent>& events = APIEventTable::events();
    ASSERT_EQ(received.size(), events.size());
    for (qsizetype i = 0; i < events.size(); ++i) {
        const BusEvent& event = events.at(i);
        EXPECT_EQ(received.at(i).member(), event.name);
        EXPECT_EQ(received.at(i).interface(), BusEventSink::interfaceName());
        const QVariantList arguments = received.at(i).arguments();
        ASSERT_EQ(arguments.size(), event.arguments.size()) << event.name.toStdString();
        for (qsizetype a = 0; a < arguments.size(); ++a) {
            const BusArgument& declared = event.arguments.at(a);
            const QVariant inside = qvariant_cast<QDBusVariant>(arguments.at(a)).variant();
            if (declared.type != AutomationType::variant()) {
                EXPECT_EQ(inside.metaType(), wireTypes.value(declared.type))
                    << event.name.toStdString() << " " << declared.name.toStdString() << " " << inside.typeName();
            }
        }
    }
    // GetData's reply is Data, Cancel; ItemAdded's is BasketItem (ignored), Cancel.
    EXPECT_EQ(data.toString(), QStringLiteral("back"));
    EXPECT_TRUE(getDataCancel);
    EXPECT_TRUE(itemCancel);
    client.connection().unregisterObject(QStringLiteral("/sink"));
}

// A Sovereign built on the proxies Qt's generator makes from the installed files reaches the
// server: the factory's CreateAPI, the API object's indexed property both ways, and Release.
TEST_F(InterfaceFilesTest, QtProxiesFromTheFilesDriveTheServer)
{
    BusClient client(nextClient());
    const QString service = QDBusConnection::sessionBus().baseService();
    OrgPcquibaPcQUIBAInterface factory(service, AutomationServer::rootPath(), client.connection());
    const auto finish = [](const QDBusPendingCall& call) {
        waitUntil([&] { return call.isFinished(); });
        return !call.isError();
    };
    QDBusPendingReply<QDBusVariant> created = factory.CreateAPI();
    ASSERT_TRUE(finish(created)) << created.error().message().toStdString();
    const QString apiPath = created.value().variant().value<QDBusObjectPath>().path();
    ASSERT_TRUE(apiPath.startsWith(AutomationServer::rootPath() + QStringLiteral("/API_"))) << apiPath.toStdString();

    OrgPcquibaAPIInterface api(service, apiPath, client.connection());
    QDBusPendingReply<> written = api.SetPOSInfo(QDBusVariant(QStringLiteral("Till")), QDBusVariant(QStringLiteral("Front desk")));
    ASSERT_TRUE(finish(written)) << written.error().message().toStdString();
    QDBusPendingReply<QDBusVariant> read = api.POSInfo(QDBusVariant(QStringLiteral("_till")));
    ASSERT_TRUE(finish(read)) << read.error().message().toStdString();
    EXPECT_EQ(read.value().variant().toString(), QStringLiteral("Front desk"));
    QDBusPendingReply<> released = api.Release();
    ASSERT_TRUE(finish(released)) << released.error().message().toStdString();
    EXPECT_FALSE(server->objects().objectOf(client.uniqueName(), apiPath));
}

} // namespace
} // namespace automation_test
