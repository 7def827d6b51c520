#pragma once

#include "platform/NetworkSource.h"

// The system's network as Linux shows it. The adapter list comes from the kernel's
// /sys/class/net: Ethernet is an interface of link type 1 without a "wireless" or "phy80211"
// entry; the interface table comes from Qt's view of the interfaces. Both list physical
// adapters (a device behind them, a permanent address) first and virtual ones after, each
// group by interface index, so the first Ethernet adapter is the machine's own card whenever
// it has one. Both describe an adapter by its interface name. Host names resolve through
// getaddrinfo, duplicates dropped.
class LinuxNetworkSource : public NetworkSource {
public:
    explicit LinuxNetworkSource(QString interfaceFolder = QStringLiteral("/sys/class/net"));

    QList<Adapter> adapterList() const override;
    QList<Adapter> interfaceTable() const override;
    std::optional<QString> hostName() const override;
    std::optional<QStringList> hostAddresses(const QString& hostName) const override;
    // Linux sockets need no start: always version 1.1 with room for many sockets.
    SocketsStartup startupSockets() override;
    int cleanupSockets() override;

    // "00:1a:2b:3c:4d:5e" as bytes; an empty array for anything else.
    static QByteArray parseHardwareAddress(const QString& text);

private:
    Adapter readSysfsAdapter(const QString& name) const;
    bool isPhysical(const QString& name) const;

    QString m_interfaceFolder;
};
