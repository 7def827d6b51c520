#include "automation/BusError.h"
#include "automation/BusValue.h"
#include "automation/ObjectServer.h"
#include "BusTestSupport.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral("/org/pcquiba/test");
const QString kTest = QStringLiteral("org.pcquiba.Test");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QString pathIn(const QVariant& value)
{
    return qvariant_cast<QDBusVariant>(value).variant().value<QDBusObjectPath>().path();
}

QString clientName()
{
    static int next = 0;
    return QStringLiteral("client%1").arg(++next);
}

class ObjectServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<ObjectServer>(QDBusConnection::sessionBus(), kRoot);
        server->publish(std::make_shared<TestFactory>());
        server->setAdapter(QStringLiteral("Test"), [this](const ObjectRef& object) {
            return std::make_shared<TestObject>(std::static_pointer_cast<TestTarget>(object), &releases);
        });
        ASSERT_TRUE(server->start());
    }

    QString create(BusClient& client)
    {
        const QDBusMessage reply = client.call(kRoot, QStringLiteral("org.pcquiba.TestFactory"), QStringLiteral("Create"));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().isEmpty() ? QString() : pathIn(reply.arguments().at(0));
    }

    Variant resultOf(const QDBusMessage& reply, qsizetype index = 0)
    {
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorName().toStdString() << reply.errorMessage().toStdString();
        if (reply.arguments().size() <= index)
            return Variant(QStringLiteral("<no value>"));
        NoObjects none;
        return BusValue::fromBus(reply.arguments().at(index), none);
    }

    std::unique_ptr<ObjectServer> server;
    int releases = 0;
};

QVariant wire(const Variant& value)
{
    NoObjects none;
    return QVariant::fromValue(BusValue::toBus(value, none));
}

TEST_F(ObjectServerTest, EveryKindOfValueComesBackAsItWent)
{
    const Variant cases[] = {
        Variant(),
        Variant::null(),
        Variant(true),
        Variant(qint16(-7)),
        Variant(qint32(-100000)),
        Variant(2.5),
        Variant::fromCurrency(12345),
        Variant::fromCurrency(qint64(1) << 50),
        Variant::fromDate(45000.75),
        Variant(QStringLiteral("Grüße\nline")),
        Variant(QString()),
        Variant(VariantArray {Variant::null(), Variant(VariantArray {Variant::fromDate(1.0), Variant()}), Variant("x")}),
        Variant(VariantArray {}),
        Variant(ObjectRef()),
    };
    BusClient client(clientName());
    const QString path = create(client);
    for (const Variant& value : cases) {
        const Variant back = resultOf(client.call(path, kTest, QStringLiteral("Echo"), {wire(value)}));
        EXPECT_EQ(back.kind(), value.kind()) << value.typeName().toStdString();
        EXPECT_TRUE(back == value) << value.typeName().toStdString() << " came back as " << back.typeName().toStdString();
    }
}

TEST_F(ObjectServerTest, BareValuesAndOmittedArgumentsAreRead)
{
    struct Case {
        QVariantList arguments;
        QString kind;
    };
    const Case cases[] = {
        {{QStringLiteral("text")}, QStringLiteral("String")},
        {{QVariant::fromValue(uchar(200))}, QStringLiteral("Integer")},
        {{QVariant::fromValue(uint(7))}, QStringLiteral("Long")},
        {{QVariant::fromValue(uint(4000000000u))}, QStringLiteral("Double")},
        {{QVariant::fromValue(qlonglong(-5))}, QStringLiteral("Long")},
        {{QVariant::fromValue(qlonglong(1) << 40)}, QStringLiteral("Double")},
        {{QVariant::fromValue(QStringList {QStringLiteral("a")})}, QStringLiteral("Variant()")},
        {{QVariant::fromValue(BusValue::missing())}, QStringLiteral("Missing")},
        {{}, QStringLiteral("Missing")},
        {{wire(Variant::fromDate(2.0))}, QStringLiteral("Date")},
        {{wire(Variant::fromCurrency(1))}, QStringLiteral("Currency")},
    };
    BusClient client(clientName());
    const QString path = create(client);
    for (const Case& c : cases) {
        const Variant kind = resultOf(client.call(path, kTest, QStringLiteral("Describe"), c.arguments));
        EXPECT_EQ(kind.toString(), c.kind);
    }
}

TEST_F(ObjectServerTest, MalformedArgumentsAreRefusedWithoutHarm)
{
    QDBusArgument unknownTag;
    unknownTag.beginStructure();
    unknownTag << QStringLiteral("Decimal") << QDBusVariant(1.0);
    unknownTag.endStructure();
    QDBusArgument textCurrency;
    textCurrency.beginStructure();
    textCurrency << BusValue::currencyTag() << QDBusVariant(QStringLiteral("1"));
    textCurrency.endStructure();
    const QString invalid = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    struct Case {
        QString member;
        QVariantList arguments;
        QString error;
    };
    const Case cases[] = {
        {QStringLiteral("Echo"), {QVariant::fromValue(QVariantMap {{QStringLiteral("k"), 1}})}, invalid},
        {QStringLiteral("Echo"), {QVariant::fromValue(QDBusVariant(QVariant::fromValue(unknownTag)))}, invalid},
        {QStringLiteral("Echo"), {QVariant::fromValue(QDBusVariant(QVariant::fromValue(textCurrency)))}, invalid},
        {QStringLiteral("Echo"), {1, 2}, invalid},
        {QStringLiteral("Echo"), {wire(Variant(VariantArray {Variant()}))}, QString()},
        {QStringLiteral("Echo"), {QVariant::fromValue(BusValue::missing())}, BusError::name(449)},
        {QStringLiteral("Echo"), {}, BusError::name(449)},
        {QStringLiteral("Nope"), {}, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod")},
        {QStringLiteral("Echo"), {QVariant::fromValue(QString(16 * 1024 * 1024, u'x'))}, QString()},
    };
    BusClient client(clientName());
    const QString path = create(client);
    for (const Case& c : cases) {
        const QDBusMessage reply = client.call(path, kTest, c.member, c.arguments);
        EXPECT_EQ(reply.errorName(), c.error) << c.member.toStdString() << " " << reply.errorMessage().toStdString();
    }
    EXPECT_EQ(resultOf(client.call(path, kTest, QStringLiteral("Echo"), {wire(Variant(1.5))})).toDouble(), 1.5);
}

TEST_F(ObjectServerTest, AnAutomationErrorCarriesNumberSourceAndDescription)
{
    BusClient client(clientName());
    const QDBusMessage reply = client.call(create(client), kTest, QStringLiteral("Fail"));
    ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName(), QStringLiteral("org.pcquiba.Error.x80040259"));
    const std::optional<AutomationError> error = BusError::parse(reply.errorName(), reply.errorMessage());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), qint32(0x80040259));
    EXPECT_EQ(error->source(), QStringLiteral("pcQUIBATest"));
    EXPECT_EQ(error->description(), QStringLiteral("Not ready.\nTry later."));
}

TEST_F(ObjectServerTest, ByReferenceArgumentsComeBackAsOutValues)
{
    BusClient client(clientName());
    const QDBusMessage reply =
        client.call(create(client), kTest, QStringLiteral("Swap"), {wire(Variant("a")), wire(Variant::fromDate(3.0))});
    ASSERT_EQ(reply.arguments().size(), 2);
    EXPECT_TRUE(resultOf(reply, 0) == Variant::fromDate(3.0));
    EXPECT_TRUE(resultOf(reply, 1) == Variant("a"));
}

TEST_F(ObjectServerTest, PropertiesGoThroughTheMemberHandlers)
{
    BusClient client(clientName());
    const QString path = create(client);
    EXPECT_EQ(resultOf(client.call(path, kProperties, QStringLiteral("Get"), {kTest, QStringLiteral("Name")})).toString(),
              QStringLiteral("first"));
    const QDBusMessage set = client.call(path, kProperties, QStringLiteral("Set"),
                                         {kTest, QStringLiteral("Name"), wire(Variant("second"))});
    EXPECT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();
    EXPECT_EQ(resultOf(client.call(path, kProperties, QStringLiteral("Get"), {QString(), QStringLiteral("Name")})).toString(),
              QStringLiteral("second"));

    struct Refusal {
        QString member;
        QVariantList arguments;
        QString error;
    };
    const Refusal refusals[] = {
        {QStringLiteral("Get"), {kTest, QStringLiteral("Secret")}, BusError::name(qint32(0x8004025B))},
        {QStringLiteral("Set"), {kTest, QStringLiteral("Count"), wire(Variant(qint32(1)))},
         QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly")},
        {QStringLiteral("Get"), {kTest, QStringLiteral("Echo")}, QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty")},
        {QStringLiteral("Get"), {QStringLiteral("org.pcquiba.Other"), QStringLiteral("Name")},
         QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface")},
        {QStringLiteral("Get"), {1, 2}, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")},
        {QStringLiteral("Set"), {kTest, QStringLiteral("Name")}, QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")},
    };
    for (const Refusal& r : refusals)
        EXPECT_EQ(client.call(path, kProperties, r.member, r.arguments).errorName(), r.error) << r.member.toStdString();

    const QDBusMessage all = client.call(path, kProperties, QStringLiteral("GetAll"), {kTest});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    const QVariantMap values = qdbus_cast<QVariantMap>(all.arguments().at(0));
    EXPECT_EQ(values.keys(), (QStringList {QStringLiteral("Count"), QStringLiteral("Name")}));
    EXPECT_EQ(values.value(QStringLiteral("Name")).toString(), QStringLiteral("second"));
}

TEST_F(ObjectServerTest, AnotherConnectionIsRefusedAndUnknownPathsAreErrors)
{
    BusClient owner(clientName());
    BusClient stranger(clientName());
    const QString path = create(owner);
    const QString denied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
    EXPECT_EQ(stranger.call(path, kTest, QStringLiteral("Echo"), {wire(Variant(1.0))}).errorName(), denied);
    EXPECT_EQ(stranger.call(path, kProperties, QStringLiteral("Set"), {kTest, QStringLiteral("Name"), wire(Variant("x"))}).errorName(),
              denied);
    EXPECT_EQ(stranger.call(path, kTest, QStringLiteral("Release")).errorName(), denied);
    EXPECT_EQ(stranger.call(path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")).errorName(),
              denied);
    EXPECT_EQ(resultOf(owner.call(path, kProperties, QStringLiteral("Get"), {kTest, QStringLiteral("Name")})).toString(),
              QStringLiteral("first"));
    EXPECT_EQ(owner.call(kRoot + QStringLiteral("/Test_999"), kTest, QStringLiteral("Echo")).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
}

TEST_F(ObjectServerTest, ObjectsHandedOutLiveUnderTheClientsTreeAndResolveOnlyForIt)
{
    BusClient owner(clientName());
    BusClient stranger(clientName());
    const QString path = create(owner);
    const QString strangers = create(stranger);
    const QDBusMessage made = owner.call(path, kTest, QStringLiteral("MakeChild"));
    const QString child = pathIn(made.arguments().value(0));
    EXPECT_TRUE(child.startsWith(path + u'/')) << child.toStdString();
    const QVariant childArgument = QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(child))));
    EXPECT_EQ(pathIn(owner.call(path, kTest, QStringLiteral("Echo"), {childArgument}).arguments().value(0)), child);
    EXPECT_EQ(owner.call(path, kTest, QStringLiteral("Echo"), {QVariant::fromValue(QDBusObjectPath(strangers))}).errorName(),
              BusError::name(424));
    EXPECT_EQ(stranger.call(strangers, kTest, QStringLiteral("Echo"), {childArgument}).errorName(), BusError::name(424));
}

TEST_F(ObjectServerTest, ReleaseEndsOneObject)
{
    BusClient client(clientName());
    const QString first = create(client);
    const QString second = create(client);
    EXPECT_EQ(client.call(first, kTest, QStringLiteral("Release")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(client.call(first, kTest, QStringLiteral("Echo"), {wire(Variant())}).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    EXPECT_EQ(resultOf(client.call(second, kTest, QStringLiteral("Echo"), {wire(Variant("still"))})).toString(),
              QStringLiteral("still"));
}

TEST_F(ObjectServerTest, AClientLeavingTheBusEndsAllItsObjectsAndNoOtherClients)
{
    auto leaving = std::make_unique<BusClient>(clientName());
    BusClient staying(clientName());
    const QString leaver = leaving->uniqueName();
    const QString first = create(*leaving);
    leaving->call(first, kTest, QStringLiteral("MakeChild"));
    create(*leaving);
    const QString kept = create(staying);
    ASSERT_EQ(server->objectCount(), 5);
    QStringList left;
    server->setClientLeftHandler([&](const QString& client) { left.append(client); });
    leaving.reset();
    ASSERT_TRUE(waitUntil([&] { return !left.isEmpty(); }));
    EXPECT_EQ(left, QStringList {leaver});
    EXPECT_EQ(releases, 3);
    EXPECT_EQ(server->objectCount(), 2);
    EXPECT_EQ(resultOf(staying.call(kept, kTest, QStringLiteral("Echo"), {wire(Variant("on"))})).toString(), QStringLiteral("on"));
}

TEST_F(ObjectServerTest, ADepartedClientsObjectsEndABatchAtATimeAndTheirPathsAtOnce)
{
    BusClient leaving(clientName());
    const qsizetype count = 3 * ObjectServer::kObjectsEndedPerTurn + 10;
    for (qsizetype i = 0; i < count; ++i)
        ASSERT_FALSE(create(leaving).isEmpty()) << i;
    ASSERT_EQ(server->objectCount(), count + 1);

    server->releaseClient(leaving.uniqueName());
    EXPECT_EQ(server->objectCount(), 1);
    // The rest end from the event loop, other clients served in between.
    EXPECT_EQ(releases, ObjectServer::kObjectsEndedPerTurn);
    EXPECT_TRUE(waitUntil([&] { return releases == count; })) << releases;
}

// The annotations of one element of the introspection data, by name.
QMap<QString, QString> annotationsOf(const QString& xml, const QString& element, const QString& name)
{
    QXmlStreamReader reader(xml);
    QMap<QString, QString> annotations;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (depth > 0)
                ++depth;
            else if (reader.name() == element && reader.attributes().value(QStringLiteral("name")) == name)
                depth = 1;
            if (depth == 2 && reader.name() == QLatin1String("annotation"))
                annotations.insert(reader.attributes().value(QStringLiteral("name")).toString(),
                                   reader.attributes().value(QStringLiteral("value")).toString());
        } else if (reader.isEndElement() && depth > 0) {
            --depth;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return annotations;
}

TEST_F(ObjectServerTest, IntrospectionDescribesMembersEnumsAndChildren)
{
    BusClient client(clientName());
    const QString path = create(client);
    const QString introspectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
    const QDBusMessage reply = client.call(path, introspectable, QStringLiteral("Introspect"));
    const QString xml = reply.arguments().value(0).toString();
    EXPECT_EQ(annotationsOf(xml, QStringLiteral("method"), QStringLiteral("Swap")).value(QStringLiteral("org.pcquiba.DispId")),
              QStringLiteral("3"));
    EXPECT_EQ(annotationsOf(xml, QStringLiteral("property"), QStringLiteral("Name")).value(QStringLiteral("org.pcquiba.DispId")),
              QStringLiteral("6"));
    const auto errors = annotationsOf(xml, QStringLiteral("interface"), QStringLiteral("org.pcquiba.quibaErrors"));
    EXPECT_EQ(errors.value(QStringLiteral("org.pcquiba.Enum.quibaNotReady")), QString::number(qint32(0x80040259)));
    EXPECT_EQ(errors.value(QStringLiteral("org.pcquiba.Enum.quibaFileNotFound")), QString::number(qint32(0x80040278)));
    const auto reasons = annotationsOf(xml, QStringLiteral("interface"), QStringLiteral("org.pcquiba.SurrenderReason"));
    EXPECT_EQ(reasons.value(QStringLiteral("org.pcquiba.Enum.SurrenderConfigUtility")), QStringLiteral("8"));
    EXPECT_EQ(reasons.size(), 9);
    EXPECT_TRUE(xml.contains(QStringLiteral("<property name=\"Count\" type=\"v\" access=\"read\">")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<property name=\"Name\" type=\"v\" access=\"readwrite\">")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<method name=\"Release\">")));

    const QString root = client.call(kRoot, introspectable, QStringLiteral("Introspect")).arguments().value(0).toString();
    EXPECT_TRUE(root.contains(QStringLiteral("<interface name=\"org.pcquiba.TestFactory\">")));
    EXPECT_TRUE(root.contains(QStringLiteral("<node name=\"%1\"/>").arg(path.section(u'/', -1))));
}

} // namespace

namespace {

// A value `depth` arrays deep around one leaf. An Empty is the deepest leaf there is (a tagged
// structure); past the bound the leaf is a text, so that the bus still carries the call.
Variant nestedValue(int depth, Variant value)
{
    for (int i = 0; i < depth; ++i)
        value = Variant(VariantArray {value});
    return value;
}

// `count` texts in one array, or split between an array and one nested inside it.
Variant manyElements(qsizetype count, bool split)
{
    VariantArray outer(split ? count / 2 : count, Variant(QStringLiteral("e")));
    if (split)
        outer.append(Variant(VariantArray(count - outer.size() - 1, Variant(QStringLiteral("e")))));
    return Variant(outer);
}

// Within the bounds a value comes back whole; one step past them the call is refused and the
// client is still served.
TEST_F(ObjectServerTest, IncomingValuesAreBoundedInNestingAndElements)
{
    struct Case {
        const char* what;
        Variant value;
        bool accepted;
    };
    const Case cases[] = {
        {"nested to the bound", nestedValue(BusValue::kMaximumNesting, Variant()), true},
        {"nested one deeper", nestedValue(BusValue::kMaximumNesting + 1, Variant("x")), false},
        {"elements to the bound", manyElements(BusValue::kMaximumElements, false), true},
        {"one element more, in one array", manyElements(BusValue::kMaximumElements + 1, false), false},
        {"one element more, over two levels", manyElements(BusValue::kMaximumElements + 1, true), false},
    };
    BusClient client(clientName());
    const QString path = create(client);
    for (const Case& c : cases) {
        const QDBusMessage reply = client.call(path, kTest, QStringLiteral("Echo"), {wire(c.value)});
        if (c.accepted) {
            EXPECT_TRUE(resultOf(reply) == c.value) << c.what;
        } else {
            EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded")) << c.what;
        }
        EXPECT_EQ(resultOf(client.call(path, kTest, QStringLiteral("Echo"), {wire(Variant("next"))})).toString(),
                  QStringLiteral("next"))
            << c.what;
    }
}

// Introspection lists each caller's own objects only; another client's paths, its released ones
// included, tell nothing of what lives under them.
TEST_F(ObjectServerTest, IntrospectionShowsOnlyTheCallersOwnObjects)
{
    BusClient owner(clientName());
    BusClient stranger(clientName());
    const QString released = create(owner);
    const QString child = pathIn(owner.call(released, kTest, QStringLiteral("MakeChild")).arguments().value(0));
    ASSERT_EQ(owner.call(released, kTest, QStringLiteral("Release")).type(), QDBusMessage::ReplyMessage);
    const QString kept = create(owner);
    const QString own = create(stranger);
    const auto node = [](const QString& path) { return QStringLiteral("<node name=\"%1\"/>").arg(path.section(u'/', -1)); };
    const auto introspect = [](BusClient& client, const QString& path) {
        return client.call(path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    };

    const QString ownerRoot = introspect(owner, kRoot).arguments().value(0).toString();
    EXPECT_TRUE(ownerRoot.contains(node(released)));
    EXPECT_TRUE(ownerRoot.contains(node(kept)));
    EXPECT_FALSE(ownerRoot.contains(node(own)));
    EXPECT_TRUE(introspect(owner, released).arguments().value(0).toString().contains(node(child)));

    const QString strangerRoot = introspect(stranger, kRoot).arguments().value(0).toString();
    EXPECT_TRUE(strangerRoot.contains(node(own)));
    EXPECT_FALSE(strangerRoot.contains(node(released)));
    EXPECT_FALSE(strangerRoot.contains(node(kept)));
    const QString denied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
    for (const QString& path : {released, child, kept})
        EXPECT_EQ(introspect(stranger, path).errorName(), denied) << path.toStdString();
    EXPECT_EQ(introspect(stranger, kRoot + QStringLiteral("/Test_999")).errorName(),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
}

} // namespace
