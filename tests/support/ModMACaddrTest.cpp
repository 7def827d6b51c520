#include "support/modMACaddr.h"

#include "services/Services.h"
#include "common/TestFiles.h"
#include "fakes/ServiceFixture.h"
#include "platform/LinuxNetworkSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Adapter = NetworkSource::Adapter;

class FakeNetwork : public NetworkSource {
public:
    QList<Adapter> adapterList() const override { return adapters; }
    QList<Adapter> interfaceTable() const override { return interfaces; }
    std::optional<QString> hostName() const override
    {
        if (hostNameFailures > 0) {
            --hostNameFailures;
            return std::nullopt;
        }
        return name;
    }
    std::optional<QStringList> hostAddresses(const QString& host) const override
    {
        resolvedName = host;
        return addresses;
    }
    SocketsStartup startupSockets() override
    {
        ++startups;
        return startup;
    }
    int cleanupSockets() override
    {
        ++cleanups;
        return cleanupResult;
    }

    QList<Adapter> adapters;
    QList<Adapter> interfaces;
    QString name = u"till-1"_s;
    mutable int hostNameFailures = 0;
    mutable QString resolvedName;
    std::optional<QStringList> addresses = QStringList{u"10.1.2.3"_s, u"192.168.0.7"_s};
    SocketsStartup startup;
    int cleanupResult = 0;
    int startups = 0;
    int cleanups = 0;
};

QByteArray mac(std::initializer_list<int> bytes)
{
    QByteArray result;
    for (int byte : bytes)
        result.append(char(byte));
    return result;
}

const QByteArray kFirstMac = mac({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
const QByteArray kSecondMac = mac({0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F});

class ModMACaddrTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        NetworkSource::setCurrent(m_network);
    }
    void TearDown() override
    {
        NetworkSource::reset();
        ServiceFixture::TearDown();
    }

    std::shared_ptr<FakeNetwork> m_network = std::make_shared<FakeNetwork>();
};

TEST_F(ModMACaddrTest, Mac2StringWritesSixUpperCasePairs)
{
    struct Case {
        QByteArray address;
        QString expected;
    };
    const Case cases[] = {
        {kFirstMac, u"00-1A-2B-3C-4D-5E"_s},
        {mac({0x0A}), u"0A-00-00-00-00-00"_s},
        {mac({0xFF, 0xFE, 0x01, 0x10, 0xab, 0xcd, 0x77, 0x88}), u"FF-FE-01-10-AB-CD"_s},
        {QByteArray(), u"00-00-00-00-00-00"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        EXPECT_EQ(modMACaddr::zMAC2String(c.address), c.expected);
        EXPECT_EQ(modMACaddr::zMAC2String(c.address).size(), 17);
    }
}

TEST_F(ModMACaddrTest, GetMacTakesTheFirstEthernetAdapter)
{
    struct Case {
        const char* name;
        QList<Adapter> adapters;
        QList<Adapter> interfaces;
        QString expected;
    };
    const Adapter loopback{u"lo"_s, QByteArray(6, '\0'), NetworkSource::Loopback};
    const Adapter wireless{u"wlan0"_s, mac({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}), NetworkSource::Wireless};
    const Adapter ppp{u"ppp0"_s, mac({1, 2, 3, 4, 5, 6}), NetworkSource::Ppp};
    const Adapter first{u"eth0"_s, kFirstMac, NetworkSource::Ethernet};
    const Adapter second{u"eth1"_s, kSecondMac, NetworkSource::Ethernet};
    const Case cases[] = {
        {"first of two", {first, second}, {second}, u"00-1A-2B-3C-4D-5E"_s},
        {"in list order", {second, first}, {}, u"0A-0B-0C-0D-0E-0F"_s},
        {"others skipped", {loopback, wireless, ppp, second}, {}, u"0A-0B-0C-0D-0E-0F"_s},
        {"interface table when the list has none", {loopback, wireless}, {loopback, first}, u"00-1A-2B-3C-4D-5E"_s},
        {"only loopback", {loopback}, {loopback}, QString()},
        {"nothing at all", {}, {}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_network->adapters = c.adapters;
        m_network->interfaces = c.interfaces;
        EXPECT_EQ(modMACaddr::GetMAC(), c.expected);
    }
}

TEST_F(ModMACaddrTest, BothListsBecomeDictionariesOfDescriptionToMac)
{
    m_network->adapters = {{u"eth0"_s, kFirstMac, NetworkSource::Ethernet},
                           {u"wlan0"_s, kSecondMac, NetworkSource::Wireless},
                           {u"eth1"_s, kSecondMac, NetworkSource::Ethernet}};
    m_network->interfaces = {{u"lo"_s, QByteArray(), NetworkSource::Loopback},
                             {u"enp3s0"_s, mac({0x0A}), NetworkSource::Ethernet}};
    const auto listed = modMACaddr::GetMACs_AdaptorInfo();
    EXPECT_EQ(listed->keys(), QStringList({u"eth0"_s, u"eth1"_s}));
    EXPECT_EQ(listed->items(), VariantArray({u"00-1A-2B-3C-4D-5E"_s, u"0A-0B-0C-0D-0E-0F"_s}));
    const auto table = modMACaddr::GetMACs_IfTable();
    EXPECT_EQ(table->keys(), QStringList({u"enp3s0"_s}));
    EXPECT_EQ(table->item(u"enp3s0"_s), Variant(u"0A-00-00-00-00-00"_s));
}

TEST_F(ModMACaddrTest, TwoAdaptersWithOneDescriptionFailGetMac)
{
    m_network->adapters = {{u"Onboard"_s, kFirstMac, NetworkSource::Ethernet},
                           {u"Onboard"_s, kSecondMac, NetworkSource::Ethernet}};
    try {
        modMACaddr::GetMAC();
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 457);
        EXPECT_EQ(error.source(), u"pcQUIBA.modMACAddr"_s);
    }
    EXPECT_TRUE(errorHandler->events.contains(u"record 457 modMACAddr.Function GetMACs_AdaptorInfo"_s));
    EXPECT_EQ(errorHandler->leaves, errorHandler->enters);
}

TEST_F(ModMACaddrTest, GetIpAddressPicksByIndexInResolverOrder)
{
    struct Case {
        qint16 index;
        QString expected;
    };
    const Case cases[] = {
        {0, u"10.1.2.3"_s},
        {1, u"192.168.0.7"_s},
        {2, QString()},
        {-1, QString()},
        {32767, QString()},
    };
    m_network->name = u" till-1 "_s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(modMACaddr::GetIPAddress(c.index), c.expected);
    }
    EXPECT_EQ(m_network->resolvedName, u"till-1"_s);
    EXPECT_EQ(m_network->startups, 0);
}

TEST_F(ModMACaddrTest, GetIpAddressStartsSocketsOnlyWhenTheHostNameNeedsThem)
{
    m_network->hostNameFailures = 1;
    EXPECT_EQ(modMACaddr::GetIPAddress(0), u"10.1.2.3"_s);
    EXPECT_EQ(m_network->startups, 1);
    EXPECT_EQ(m_network->cleanups, 1);
}

TEST_F(ModMACaddrTest, GetIpAddressRaisesTheWinsockErrorWhenNothingCanBeResolved)
{
    struct Case {
        const char* name;
        int hostNameFailures;
        int startupResult;
        std::optional<QStringList> addresses;
        int cleanups;
    };
    const Case cases[] = {
        {"sockets cannot start", 1, 10091, QStringList{u"10.0.0.1"_s}, 0},
        {"host name fails twice", 2, 0, QStringList{u"10.0.0.1"_s}, 1},
        {"name does not resolve", 0, 0, std::nullopt, 0},
        {"name does not resolve after a start", 1, 0, std::nullopt, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_network->hostNameFailures = c.hostNameFailures;
        m_network->startup.result = c.startupResult;
        m_network->addresses = c.addresses;
        m_network->cleanups = 0;
        try {
            modMACaddr::GetIPAddress(0);
            ADD_FAILURE() << "no error raised";
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), 40000);
            EXPECT_EQ(error.source(), u"WINSOCK32"_s);
            EXPECT_EQ(error.description(), u"Cannot access winsock32.dll"_s);
        }
        EXPECT_EQ(m_network->cleanups, c.cleanups);
    }
}

TEST_F(ModMACaddrTest, SocketsInitializeChecksResultVersionAndSocketCount)
{
    struct Case {
        NetworkSource::SocketsStartup startup;
        bool expected;
    };
    const Case cases[] = {
        {{0, 0x0101, 1}, true},
        {{0, 0x0202, 32767}, true},
        {{0, 0x0002, 5}, true},
        {{10091, 0x0101, 5}, false},
        {{0, 0x0001, 5}, false},
        {{0, 0x0100, 5}, false},
        {{0, 0x0000, 5}, false},
        {{0, 0x0101, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startup.version);
        m_network->startup = c.startup;
        EXPECT_EQ(modMACaddr::SocketsInitialize(), c.expected);
    }
    m_network->cleanupResult = 10093;
    EXPECT_FALSE(modMACaddr::SocketsCleanup());
    m_network->cleanupResult = 0;
    EXPECT_TRUE(modMACaddr::SocketsCleanup());
}

TEST_F(ModMACaddrTest, HighAndLowByteSplitA16BitValue)
{
    struct Case {
        quint16 value;
        int high;
        int low;
    };
    const Case cases[] = {
        {0x0101, 1, 1}, {0x01FF, 1, 255}, {0xFF80, 255, 128}, {0x0000, 0, 0}, {0xFFFF, 255, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(modMACaddr::hibyte(c.value), c.high);
        EXPECT_EQ(modMACaddr::lobyte(c.value), c.low);
    }
}

TEST_F(ModMACaddrTest, EveryFunctionAnnouncesItselfToTheModule)
{
    m_network->adapters = {{u"eth0"_s, kFirstMac, NetworkSource::Ethernet}};
    modMACaddr::GetMAC();
    EXPECT_EQ(errorHandler->events,
              QStringList({u"enter modMACAddr.Function GetMAC"_s, u"enter modMACAddr.Function GetMACs_AdaptorInfo"_s,
                           u"enter modMACAddr.Function zMAC2String"_s, u"leave"_s, u"leave"_s, u"leave"_s}));
}

// What the kernel shows of each kind of interface: a card has a device behind it and the
// address it came with; the others have no device, or an address made up at creation.
struct InterfaceKind {
    const char* name;
    const char* index;
    const char* address;
    bool device;
    const char* assignType; // empty: no addr_assign_type entry
    const char* marker;     // an entry only that kind has
};

constexpr InterfaceKind kMixedMachine[] = {
    {"br0", "2", "02:00:00:00:00:01", false, "3", "bridge"},
    {"docker0", "3", "02:00:00:00:00:02", false, "1", "bridge"},
    {"veth1a2b", "4", "02:00:00:00:00:03", false, "1", ""},
    {"ifb0", "5", "02:00:00:00:00:04", false, "1", ""},
    {"tap0", "6", "02:00:00:00:00:05", false, "1", "tun_flags"},
    {"enx001122", "7", "02:00:00:00:00:06", true, "1", ""},
    {"enp4s0", "9", "0a:0b:0c:0d:0e:0f", true, "0", ""},
    {"eth0", "8", "00:1a:2b:3c:4d:5e", true, "", ""},
};

class LinuxNetworkSourceTest : public ServiceFixture {
protected:
    void addInterface(const QString& name, const QString& type, const QString& index, const QString& address,
                      const QString& marker = {})
    {
        const QString folder = m_sysfs.path() + u'/' + name;
        ASSERT_TRUE(QDir().mkpath(folder));
        writeFile(folder + u"/type"_s, type);
        writeFile(folder + u"/ifindex"_s, index);
        writeFile(folder + u"/address"_s, address);
        if (!marker.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(folder + u'/' + marker));
        }
    }

    static void addInterface(const QString& root, const InterfaceKind& kind)
    {
        const QString folder = root + u'/' + QString::fromLatin1(kind.name);
        ASSERT_TRUE(QDir().mkpath(folder));
        writeFile(folder + u"/type"_s, u"1"_s);
        writeFile(folder + u"/ifindex"_s, QString::fromLatin1(kind.index));
        writeFile(folder + u"/address"_s, QString::fromLatin1(kind.address));
        if (kind.device) {
            ASSERT_TRUE(QDir().mkpath(folder + u"/device"_s));
        }
        if (*kind.assignType)
            writeFile(folder + u"/addr_assign_type"_s, QString::fromLatin1(kind.assignType));
        if (*kind.marker) {
            ASSERT_TRUE(QDir().mkpath(folder + u'/' + QString::fromLatin1(kind.marker)));
        }
    }

    static void writeFile(const QString& path, const QString& text)
    {
        ASSERT_TRUE(TestFiles::write(path, text.toLatin1() + '\n'));
    }

    QTemporaryDir m_sysfs;
};

TEST_F(LinuxNetworkSourceTest, ReadsTheKernelsInterfacesInIndexOrder)
{
    addInterface(u"lo"_s, u"772"_s, u"1"_s, u"00:00:00:00:00:00"_s);
    addInterface(u"wlp2s0"_s, u"1"_s, u"3"_s, u"11:22:33:44:55:66"_s, u"phy80211"_s);
    addInterface(u"wlan1"_s, u"1"_s, u"5"_s, u"11:22:33:44:55:67"_s, u"wireless"_s);
    addInterface(u"enp3s0"_s, u"1"_s, u"10"_s, u"00:1a:2b:3c:4d:5e"_s);
    addInterface(u"eth9"_s, u"1"_s, u"2"_s, u"0a:0b:0c:0d:0e:0f"_s);
    addInterface(u"ppp0"_s, u"512"_s, u"4"_s, QString());
    addInterface(u"tun0"_s, u"65534"_s, u"6"_s, QString());
    addInterface(u"odd"_s, u"junk"_s, u"7"_s, u"not a mac"_s);

    const QList<NetworkSource::Adapter> adapters = LinuxNetworkSource(m_sysfs.path()).adapterList();
    QStringList seen;
    for (const NetworkSource::Adapter& adapter : adapters)
        seen.append(u"%1 %2 %3"_s.arg(adapter.description).arg(adapter.type).arg(QString::fromLatin1(adapter.hardwareAddress.toHex())));
    EXPECT_EQ(seen, QStringList({u"lo 24 000000000000"_s, u"eth9 6 0a0b0c0d0e0f"_s, u"wlp2s0 71 112233445566"_s,
                                 u"ppp0 23 "_s, u"wlan1 71 112233445567"_s, u"tun0 1 "_s, u"odd 1 "_s,
                                 u"enp3s0 6 001a2b3c4d5e"_s}));
}

TEST_F(LinuxNetworkSourceTest, PhysicalCardsComeBeforeVirtualInterfaces)
{
    for (const InterfaceKind& kind : kMixedMachine)
        addInterface(m_sysfs.path(), kind);

    QStringList order;
    for (const NetworkSource::Adapter& adapter : LinuxNetworkSource(m_sysfs.path()).adapterList())
        order.append(adapter.description);
    EXPECT_EQ(order, QStringList({u"eth0"_s, u"enp4s0"_s, u"br0"_s, u"docker0"_s, u"veth1a2b"_s, u"ifb0"_s,
                                  u"tap0"_s, u"enx001122"_s}));
}

TEST_F(LinuxNetworkSourceTest, GetMacNamesTheCardEvenWhenVirtualInterfacesComeFirst)
{
    struct Case {
        const char* name;
        std::initializer_list<InterfaceKind> interfaces;
        QString expected;
    };
    const Case cases[] = {
        {"card behind a bridge, veth and tap",
         {kMixedMachine[0], kMixedMachine[2], kMixedMachine[4], kMixedMachine[6]}, u"0A-0B-0C-0D-0E-0F"_s},
        {"card with a made-up address is not preferred",
         {kMixedMachine[5], kMixedMachine[7]}, u"00-1A-2B-3C-4D-5E"_s},
        {"only virtual: the first of them",
         {kMixedMachine[3], kMixedMachine[1]}, u"02-00-00-00-00-02"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir sysfs;
        for (const InterfaceKind& kind : c.interfaces)
            addInterface(sysfs.path(), kind);
        NetworkSource::setCurrent(std::make_shared<LinuxNetworkSource>(sysfs.path()));
        EXPECT_EQ(modMACaddr::GetMAC(), c.expected);
    }
    NetworkSource::reset();
}

TEST_F(LinuxNetworkSourceTest, AMissingInterfaceFolderIsAnEmptyList)
{
    EXPECT_TRUE(LinuxNetworkSource(m_sysfs.path() + u"/none"_s).adapterList().isEmpty());
}

TEST(LinuxNetworkSourceParseTest, HardwareAddressesParseOnlyWhenWellFormed)
{
    EXPECT_EQ(LinuxNetworkSource::parseHardwareAddress(u"00:1A:2b:3C:4d:5E"_s), kFirstMac);
    EXPECT_EQ(LinuxNetworkSource::parseHardwareAddress(u"00:1a:2b:3c:4d:5e:6f:70"_s).size(), 8);
    EXPECT_TRUE(LinuxNetworkSource::parseHardwareAddress(QString()).isEmpty());
    EXPECT_TRUE(LinuxNetworkSource::parseHardwareAddress(u"00:1a:2b:3c:4d"_s + u":zz"_s).isEmpty());
    EXPECT_TRUE(LinuxNetworkSource::parseHardwareAddress(u"0:1a"_s).isEmpty());
}

TEST(LinuxNetworkSourceHostTest, ResolvesTheLocalHostNameWithoutDuplicates)
{
    const LinuxNetworkSource source;
    const auto name = source.hostName();
    ASSERT_TRUE(name.has_value());
    EXPECT_FALSE(name->isEmpty());
    const auto loopback = source.hostAddresses(u"localhost"_s);
    ASSERT_TRUE(loopback.has_value());
    EXPECT_TRUE(loopback->contains(u"127.0.0.1"_s));
    EXPECT_EQ(QStringList(*loopback).removeDuplicates(), 0);
    EXPECT_FALSE(source.hostAddresses(u"no-such-host.invalid"_s).has_value());
    EXPECT_FALSE(source.hostAddresses(QString()).has_value());
}

} // namespace
