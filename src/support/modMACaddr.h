#pragma once

#include "platform/Dictionary.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// Which machine this is: the MAC address of its first Ethernet adapter and its IPv4
// addresses, as the section placeholders and host assignment report them. The answers come
// from NetworkSource::current().
//
// MAC text: six bytes as upper-case hexadecimal pairs joined by "-", as 00-1A-2B-3C-4D-5E.
class modMACaddr {
public:
    // The MAC text of the first Ethernet adapter of the adapter list, else of the interface
    // table; empty when neither has one.
    static QString GetMAC();
    // Description to MAC text of every Ethernet adapter, in adapter order; a description that
    // comes twice raises 457.
    static std::shared_ptr<Dictionary> GetMACs_AdaptorInfo();
    static std::shared_ptr<Dictionary> GetMACs_IfTable();
    // The first six bytes as MAC text, missing bytes written "00".
    static QString zMAC2String(const QByteArray& address);

    // The host's IPv4 address at that index (0 for the first), in the resolver's order; empty
    // when there are fewer. Raises WinsockError when the host name cannot be had or resolved.
    static QString GetIPAddress(qint16 index);
    static bool SocketsInitialize();
    static bool SocketsCleanup();

    static int hibyte(quint16 value);
    static int lobyte(quint16 value);

    static constexpr qint32 WinsockError = 40000;
    static QString winsockErrorSource();
    static QString winsockErrorText();

private:
    static std::shared_ptr<Dictionary> ethernetAdapters(const QString& procedure, bool fromInterfaceTable);
    static std::optional<QStringList> resolveHostAddresses();
};
