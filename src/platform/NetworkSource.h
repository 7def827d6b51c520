#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// What the machine tells about its network: its adapters, its host name and the addresses
// that name resolves to. The stand-in for the IP helper and Winsock calls; the process uses
// the system's answers unless a test puts its own source in place.
class NetworkSource {
public:
    // Interface types as the IP helper numbers them.
    enum AdapterType : quint32 {
        Other = 1,
        Ethernet = 6,
        Ppp = 23,
        Loopback = 24,
        Wireless = 71,
    };

    struct Adapter {
        QString description;
        QByteArray hardwareAddress;
        quint32 type = Other;
    };

    // What starting the sockets layer reports (WSAStartup): its result, the version granted
    // (low byte major, high byte minor) and the most sockets it allows.
    struct SocketsStartup {
        int result = 0;
        quint16 version = 0x0101;
        int maxSockets = 1;
    };

    virtual ~NetworkSource();

    // The adapter list (GetAdaptersInfo), in adapter index order.
    virtual QList<Adapter> adapterList() const = 0;
    // The interface table (GetIfTable), in interface index order.
    virtual QList<Adapter> interfaceTable() const = 0;
    // gethostname; nothing when it fails.
    virtual std::optional<QString> hostName() const = 0;
    // The IPv4 addresses a host name resolves to, dotted, in the resolver's order; nothing
    // when it cannot be resolved.
    virtual std::optional<QStringList> hostAddresses(const QString& hostName) const = 0;
    virtual SocketsStartup startupSockets() = 0;
    // WSACleanup's result: 0 on success.
    virtual int cleanupSockets() = 0;

    static NetworkSource& current();
    // Puts another source in place; nothing puts the system's back.
    static void setCurrent(std::shared_ptr<NetworkSource> source);
    static void reset();
};
