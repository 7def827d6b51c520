#include "platform/LinuxNetworkSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <algorithm>
#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Link types of the kernel (ARPHRD_*) and what the IP helper calls them.
struct LinkType {
    int kernelType;
    quint32 adapterType;
};

constexpr LinkType kLinkTypes[] = {
    {1, NetworkSource::Ethernet},
    {512, NetworkSource::Ppp},
    {772, NetworkSource::Loopback},
};

struct QtType {
    QNetworkInterface::InterfaceType qtType;
    quint32 adapterType;
};

constexpr QtType kQtTypes[] = {
    {QNetworkInterface::Ethernet, NetworkSource::Ethernet},
    {QNetworkInterface::Loopback, NetworkSource::Loopback},
    {QNetworkInterface::Ppp, NetworkSource::Ppp},
    {QNetworkInterface::Wifi, NetworkSource::Wireless},
};

QString readFirstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine(256)).trimmed();
}

quint32 adapterTypeOfLink(int kernelType, bool wireless)
{
    for (const LinkType& link : kLinkTypes) {
        if (link.kernelType == kernelType)
            return link.adapterType == NetworkSource::Ethernet && wireless ? NetworkSource::Wireless : link.adapterType;
    }
    return NetworkSource::Other;
}

quint32 adapterTypeOfQt(QNetworkInterface::InterfaceType qtType)
{
    for (const QtType& type : kQtTypes) {
        if (type.qtType == qtType)
            return type.adapterType;
    }
    return NetworkSource::Other;
}

// The kernel's addr_assign_type of an address burnt into the device.
constexpr int kPermanentAddress = 0;

struct IndexedAdapter {
    bool physical;
    int index;
    NetworkSource::Adapter adapter;
};

// Physical adapters first, so that the machine's identity does not move to a bridge, tunnel or
// container link created at boot; within each group by interface index.
QList<NetworkSource::Adapter> inIdentityOrder(QList<IndexedAdapter> adapters)
{
    std::stable_sort(adapters.begin(), adapters.end(), [](const IndexedAdapter& a, const IndexedAdapter& b) {
        return a.physical != b.physical ? a.physical : a.index < b.index;
    });
    QList<NetworkSource::Adapter> ordered;
    for (const IndexedAdapter& entry : adapters)
        ordered.append(entry.adapter);
    return ordered;
}

} // namespace

LinuxNetworkSource::LinuxNetworkSource(QString interfaceFolder) : m_interfaceFolder(std::move(interfaceFolder)) {}

QList<NetworkSource::Adapter> LinuxNetworkSource::adapterList() const
{
    QList<IndexedAdapter> adapters;
    const QStringList names = QDir(m_interfaceFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const int index = readFirstLine(m_interfaceFolder + u'/' + name + u"/ifindex"_s).toInt();
        adapters.append({isPhysical(name), index, readSysfsAdapter(name)});
    }
    return inIdentityOrder(adapters);
}

NetworkSource::Adapter LinuxNetworkSource::readSysfsAdapter(const QString& name) const
{
    const QString folder = m_interfaceFolder + u'/' + name;
    bool typeRead = false;
    const int kernelType = readFirstLine(folder + u"/type"_s).toInt(&typeRead);
    const bool wireless = QFileInfo::exists(folder + u"/wireless"_s) || QFileInfo::exists(folder + u"/phy80211"_s);
    return {name, parseHardwareAddress(readFirstLine(folder + u"/address"_s)),
            typeRead ? adapterTypeOfLink(kernelType, wireless) : Other};
}

// A network card of its own: a device behind the interface and the address it came with.
// Bridges, ifb, veth, tun/tap and containers' links have no device; an address the kernel
// made up or that was set later is not the card's own.
bool LinuxNetworkSource::isPhysical(const QString& name) const
{
    const QString folder = m_interfaceFolder + u'/' + name;
    if (!QFileInfo::exists(folder + u"/device"_s))
        return false;
    bool assignRead = false;
    const int assignType = readFirstLine(folder + u"/addr_assign_type"_s).toInt(&assignRead);
    return !assignRead || assignType == kPermanentAddress;
}

QList<NetworkSource::Adapter> LinuxNetworkSource::interfaceTable() const
{
    QList<IndexedAdapter> adapters;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        adapters.append({isPhysical(interface.name()), interface.index(),
                         {interface.name(), parseHardwareAddress(interface.hardwareAddress()),
                          adapterTypeOfQt(interface.type())}});
    }
    return inIdentityOrder(adapters);
}

std::optional<QString> LinuxNetworkSource::hostName() const
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(name);
}

std::optional<QStringList> LinuxNetworkSource::hostAddresses(const QString& hostName) const
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (hostName.isEmpty() || ::getaddrinfo(hostName.toLocal8Bit().constData(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    QStringList addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) {
            const QString dotted = QString::fromLatin1(text);
            if (!addresses.contains(dotted))
                addresses.append(dotted);
        }
    }
    ::freeaddrinfo(found);
    return addresses;
}

NetworkSource::SocketsStartup LinuxNetworkSource::startupSockets()
{
    return {0, 0x0101, 32767};
}

int LinuxNetworkSource::cleanupSockets()
{
    return 0;
}

QByteArray LinuxNetworkSource::parseHardwareAddress(const QString& text)
{
    QByteArray bytes;
    const QStringList parts = text.split(u':');
    for (const QString& part : parts) {
        bool ok = false;
        const uint byte = part.size() == 2 ? part.toUInt(&ok, 16) : 0;
        if (!ok)
            return {};
        bytes.append(char(byte));
    }
    return bytes;
}
