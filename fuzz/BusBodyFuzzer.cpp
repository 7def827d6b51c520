// Feeds the input as the body of a method call to the automation server: the signature up to the
// first NUL, the body after it, behind a well-formed header that libdbus reads
// (dbus_message_demarshal) as a connection would; a body libdbus refuses is skipped. The call
// goes over a private connection to an ObjectServer whose object hands every argument back by
// reference, so each value is read by the server's decoding and marshalled again. Whatever the
// body:
// - the server answers, with a reply or an error;
// - a reply sent back as the next call's body comes back the same, byte for byte;
// - marshalling the reply appends each basic value about once, not once per level it is nested
//   in (the calls to dbus_message_iter_append_basic are counted).
// A message kept alive by a decoding that stopped part-way shows as a leak under LeakSanitizer.
#include "automation/BusMembers.h"
#include "automation/ExportedObject.h"
#include "automation/ObjectServer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServer>
#include <QEventLoop>
#include <QMetaObject>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <dlfcn.h>
#include <memory>
#include <thread>

namespace {

std::atomic<long> g_basicAppends {0};

const QString kFuzzRoot = QStringLiteral("/org/pcquiba/fuzz");
constexpr const char* kFuzzInterface = "org.pcquiba.Fuzz";
constexpr int kEchoArguments = 4;

// Hands every argument back by reference; the arguments are optional, so any count up to four
// is taken.
class EchoObject : public ExportedObject {
public:
    EchoObject()
    {
        QList<BusArgument> arguments;
        for (int i = 0; i < kEchoArguments; ++i)
            arguments.append(BusMembers::argument(QStringLiteral("value%1").arg(i), QStringLiteral("Variant"),
                                                  QStringLiteral("Any value, handed back."),
                                                  BusMembers::Optional | BusMembers::ByReference));
        m_members = {BusMembers::procedure(QStringLiteral("Echo"), std::nullopt, arguments,
                                           QStringLiteral("Hands every value back."), [this](BusCall& call) {
            basics = 0;
            for (const Variant& value : call.arguments)
                basics += basicsIn(value);
        })};
    }

    QString className() const override { return QStringLiteral("Fuzz"); }
    const BusMemberTable& members() const override { return m_members; }
    bool isReleasable() const override { return false; }

    // The basic values the wire form of a value holds: a tagged value is a tag and a payload.
    static long basicsIn(const Variant& value)
    {
        switch (value.kind()) {
        case Variant::Kind::Array: {
            long count = 0;
            for (const Variant& element : value.arrayValue())
                count += basicsIn(element);
            return count;
        }
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
        case Variant::Kind::Date:
        case Variant::Kind::Currency:
            return 2;
        default:
            return 1;
        }
    }

    long basics = 0;

private:
    BusMemberTable m_members;
};

// The server in this process and a libdbus connection to it, made once.
struct Peer {
    Peer()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "BusBodyFuzzer";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
        server = std::make_unique<QDBusServer>(QStringLiteral("unix:tmpdir=/tmp"));
        if (!server->isConnected())
            std::abort();
        QObject::connect(server.get(), &QDBusServer::newConnection, [this](const QDBusConnection& connection) {
            objects = std::make_unique<ObjectServer>(connection, kFuzzRoot);
            objects->publish(echo);
            if (!objects->start())
                std::abort();
        });
        DBusError error;
        dbus_error_init(&error);
        client = dbus_connection_open_private(server->address().toUtf8().constData(), &error);
        if (!client)
            std::abort();
        // The server's side is made from the event loop.
        while (!objects)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    // Sends the call from another thread while the server is served here; the answer (a reply or
    // an error), or none.
    DBusMessage* call(DBusMessage* message)
    {
        DBusMessage* reply = nullptr;
        QEventLoop loop;
        std::thread sender([&] {
            // An error reply is a message too: the pending call keeps it as it came.
            DBusPendingCall* pending = nullptr;
            if (dbus_connection_send_with_reply(client, message, &pending, 120000) && pending) {
                dbus_pending_call_block(pending);
                reply = dbus_pending_call_steal_reply(pending);
                dbus_pending_call_unref(pending);
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        sender.join();
        return reply;
    }

    std::shared_ptr<EchoObject> echo = std::make_shared<EchoObject>();
    std::unique_ptr<QDBusServer> server;
    std::unique_ptr<ObjectServer> objects;
    DBusConnection* client = nullptr;
};

// Made once and kept to the end of the process: its connection outlives the application object.
Peer& peer()
{
    static Peer* instance = new Peer;
    return *instance;
}

void align(QByteArray& bytes, int boundary)
{
    while (bytes.size() % boundary != 0)
        bytes.append('\0');
}

void appendUint32(QByteArray& bytes, quint32 value)
{
    align(bytes, 4);
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xff));
}

// One header field: its code and a variant of a string-like type ('o' and 's' carry a length
// word, 'g' a length byte).
void appendField(QByteArray& bytes, char code, char type, const QByteArray& value)
{
    align(bytes, 8);
    bytes.append(code);
    bytes.append('\1');
    bytes.append(type);
    bytes.append('\0');
    if (type == 'g')
        bytes.append(char(value.size()));
    else
        appendUint32(bytes, quint32(value.size()));
    bytes.append(value);
    bytes.append('\0');
}

// A little-endian method call to the echo object with the given signature and body.
QByteArray wireCall(const QByteArray& signature, const QByteArray& body)
{
    QByteArray fields;
    fields.resize(16);
    appendField(fields, 1, 'o', kFuzzRoot.toUtf8());
    appendField(fields, 2, 's', kFuzzInterface);
    appendField(fields, 3, 's', "Echo");
    if (!signature.isEmpty())
        appendField(fields, 8, 'g', signature);
    QByteArray bytes;
    bytes.append("l\1\0\1", 4);
    appendUint32(bytes, quint32(body.size()));
    appendUint32(bytes, 1);
    appendUint32(bytes, quint32(fields.size() - 16));
    bytes.append(fields.mid(16));
    align(bytes, 8);
    return bytes + body;
}

// The signature and body of a message as it goes on the wire.
std::pair<QByteArray, QByteArray> signatureAndBody(DBusMessage* message)
{
    char* marshalled = nullptr;
    int length = 0;
    if (!dbus_message_marshal(message, &marshalled, &length))
        std::abort();
    const QByteArray wire(marshalled, length);
    dbus_free(marshalled);
    // The body's length is the header's second word, in the message's byte order.
    quint32 bodyLength = 0;
    for (int i = 0; i < 4; ++i)
        bodyLength |= quint32(uchar(wire.at(wire.at(0) == 'l' ? 4 + i : 7 - i))) << (8 * i);
    return {QByteArray(dbus_message_get_signature(message)), wire.right(qsizetype(bodyLength))};
}

// The call made from a signature and body, or none when libdbus refuses it.
DBusMessage* callOf(const QByteArray& signature, const QByteArray& body)
{
    const QByteArray wire = wireCall(signature, body);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* message = dbus_message_demarshal(wire.constData(), int(wire.size()), &error);
    dbus_error_free(&error);
    return message;
}

} // namespace

// Calls from QtDBus as it marshals are counted; everything else goes on to libdbus.
extern "C" dbus_bool_t dbus_message_iter_append_basic(DBusMessageIter* iter, int type, const void* value)
{
    using Append = dbus_bool_t (*)(DBusMessageIter*, int, const void*);
    static const Append real = reinterpret_cast<Append>(dlsym(RTLD_NEXT, "dbus_message_iter_append_basic"));
    g_basicAppends.fetch_add(1, std::memory_order_relaxed);
    return real(iter, type, value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    if (nul < 0 || nul > 255)
        return 0;
    DBusMessage* call = callOf(input.left(nul), input.mid(nul + 1));
    if (!call)
        return 0;
    Peer& server = peer();
    server.echo->basics = -1;
    g_basicAppends = 0;
    DBusMessage* reply = server.call(call);
    dbus_message_unref(call);
    // No answer, or none within the time-out.
    if (!reply || dbus_message_is_error(reply, DBUS_ERROR_NO_REPLY))
        std::abort();
    if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN) {
        // Each basic value once in the reply, with room for the header and a tag or two.
        if (server.echo->basics < 0 || g_basicAppends > 2 * server.echo->basics + 64)
            std::abort();
        const auto [signature, body] = signatureAndBody(reply);
        DBusMessage* again = callOf(signature, body);
        if (!again)
            std::abort(); // the server sent what it cannot read
        DBusMessage* secondReply = server.call(again);
        dbus_message_unref(again);
        if (!secondReply || dbus_message_get_type(secondReply) != DBUS_MESSAGE_TYPE_METHOD_RETURN
            || signatureAndBody(secondReply) != std::pair(signature, body))
            std::abort();
        dbus_message_unref(secondReply);
    } else if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_ERROR) {
        std::abort();
    }
    dbus_message_unref(reply);
    return 0;
}
