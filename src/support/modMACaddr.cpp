#include "support/modMACaddr.h"

#include "services/ProcedureFrame.h"
#include "platform/Blanks.h"
#include "platform/NetworkSource.h"

using namespace Qt::StringLiterals;

namespace {

const QString kModule = u"modMACAddr"_s;
constexpr int kMacBytes = 6;

} // namespace

QString modMACaddr::winsockErrorSource()
{
    return u"WINSOCK32"_s;
}

QString modMACaddr::winsockErrorText()
{
    return u"Cannot access winsock32.dll"_s;
}

QString modMACaddr::GetMAC()
{
    ProcedureFrame frame(u"Function GetMAC"_s, kModule);
    return frame.run(ErrorExit::forModule(), [&] {
        std::shared_ptr<Dictionary> adapters = GetMACs_AdaptorInfo();
        if (adapters->count() == 0)
            adapters = GetMACs_IfTable();
        return adapters->count() == 0 ? QString() : adapters->items().first().toString();
    });
}

std::shared_ptr<Dictionary> modMACaddr::GetMACs_AdaptorInfo()
{
    return ethernetAdapters(u"Function GetMACs_AdaptorInfo"_s, false);
}

std::shared_ptr<Dictionary> modMACaddr::GetMACs_IfTable()
{
    return ethernetAdapters(u"Function GetMACs_IfTable"_s, true);
}

std::shared_ptr<Dictionary> modMACaddr::ethernetAdapters(const QString& procedure, bool fromInterfaceTable)
{
    ProcedureFrame frame(procedure, kModule);
    return frame.run(ErrorExit::forModule(), [&] {
        const NetworkSource& source = NetworkSource::current();
        const QList<NetworkSource::Adapter> adapters =
            fromInterfaceTable ? source.interfaceTable() : source.adapterList();
        auto macs = std::make_shared<Dictionary>();
        for (const NetworkSource::Adapter& adapter : adapters) {
            if (adapter.type == NetworkSource::Ethernet)
                macs->add(adapter.description, zMAC2String(adapter.hardwareAddress));
        }
        return macs;
    });
}

QString modMACaddr::zMAC2String(const QByteArray& address)
{
    ProcedureFrame frame(u"Function zMAC2String"_s, kModule);
    return frame.run(ErrorExit::forModule(), [&] {
        QStringList pairs;
        for (int i = 0; i < kMacBytes; ++i)
            pairs.append(u"%1"_s.arg(i < address.size() ? quint8(address.at(i)) : 0, 2, 16, QChar(u'0')).toUpper());
        return pairs.join(u'-');
    });
}

QString modMACaddr::GetIPAddress(qint16 index)
{
    ProcedureFrame frame(u"Function GetIPAddress"_s, kModule);
    return frame.run(ErrorExit::forModule(), [&] {
        const std::optional<QStringList> addresses = resolveHostAddresses();
        if (!addresses)
            frame.raise(AutomationError(WinsockError, winsockErrorSource(), winsockErrorText()));
        return index >= 0 && index < addresses->size() ? addresses->at(index) : QString();
    });
}

// The host's addresses; nothing when the host name cannot be had or resolved. When the host
// name needs the sockets layer started, it is started for the look-up and released after it.
std::optional<QStringList> modMACaddr::resolveHostAddresses()
{
    NetworkSource& source = NetworkSource::current();
    std::optional<QString> name = source.hostName();
    const bool startedHere = !name;
    if (startedHere) {
        if (!SocketsInitialize())
            return std::nullopt;
        name = source.hostName();
        if (!name) {
            SocketsCleanup();
            return std::nullopt;
        }
    }
    const std::optional<QStringList> addresses = source.hostAddresses(Blanks::trim(*name));
    if (startedHere)
        SocketsCleanup();
    return addresses;
}

bool modMACaddr::SocketsInitialize()
{
    ProcedureFrame frame(u"Function SocketsInitialize"_s, kModule);
    return frame.run(ErrorExit::forModule(), [&] {
        const NetworkSource::SocketsStartup startup = NetworkSource::current().startupSockets();
        const int major = lobyte(startup.version);
        const int minor = hibyte(startup.version);
        const bool versionTooLow = major < 1 || (major == 1 && minor < 1);
        return startup.result == 0 && !versionTooLow && startup.maxSockets >= 1;
    });
}

bool modMACaddr::SocketsCleanup()
{
    ProcedureFrame frame(u"Function SocketsCleanup"_s, kModule);
    return frame.run(ErrorExit::forModule(), [&] { return NetworkSource::current().cleanupSockets() == 0; });
}

int modMACaddr::hibyte(quint16 value)
{
    ProcedureFrame frame(u"Function hibyte"_s, kModule);
    return (value >> 8) & 0xFF;
}

int modMACaddr::lobyte(quint16 value)
{
    ProcedureFrame frame(u"Function lobyte"_s, kModule);
    return value & 0xFF;
}
