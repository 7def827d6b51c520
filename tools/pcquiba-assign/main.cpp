// pcquiba-assign: assigns this terminal to its host account from the command line, through
// pcQUIBA on the session bus, as a Sovereign would with API.Assign1 to Assign4. A running
// pcQUIBA (a kiosk waiting to show its screen again) answers; otherwise the bus starts one.
//
//     pcquiba-assign HARDWARE_ID ASSIGN_CODE_1 ASSIGN_CODE_2 [--force]
//     pcquiba-assign --templates ARGUMENT... | --host | --array ARGUMENT...
//
// Prints pcQUIBA's answer ("OK: ..." or "FAILED: ...").
#include "platform/ExecutableInfo.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace {

constexpr int kAssigned = 0;
constexpr int kRefused = 1;
constexpr int kWrongArguments = 2;
constexpr int kUnreachable = 3;
// An engine starts and a host answers within this.
constexpr int kCallMilliseconds = 120000;
constexpr int kReadyMilliseconds = 60000;

const char* const kUsage =
    "usage: pcquiba-assign HARDWARE_ID ASSIGN_CODE_1 ASSIGN_CODE_2 [--force]\n"
    "       pcquiba-assign --templates ARGUMENT...\n"
    "       pcquiba-assign --host\n"
    "       pcquiba-assign --array ARGUMENT...\n";

const char* const kHelp =
    "\n"
    "Assigns this terminal to its host account through pcQUIBA on the session bus, as a\n"
    "Sovereign does, and prints pcQUIBA's answer (\"OK: ...\" or \"FAILED: ...\"):\n"
    "  HARDWARE_ID ASSIGN_CODE_1 ASSIGN_CODE_2   the three values (API.Assign1); --force moves\n"
    "                                            an assigned terminal to another account\n"
    "  --templates ARGUMENT...   the values composed from the arguments by the INI file's\n"
    "                            templates (API.Assign2); a last YES forces\n"
    "  --host                    the host assigns by the terminal's hardware ID (API.Assign3)\n"
    "  --array ARGUMENT...       the arguments as one array, read by the engine (API.Assign4)\n"
    "Exit status: 0 assigned, 1 refused, 2 wrong arguments, 3 pcQUIBA could not be asked.\n"
    "  --help      this text\n"
    "  --version   the version\n";

const QString kService = QStringLiteral("org.pcquiba.pcQUIBA");
const QString kFactory = QStringLiteral("/org/pcquiba/pcQUIBA");

struct Request {
    QString member;
    QVariantList arguments;
};

// The assignment the command line asks for, or none when it is not understood.
std::optional<Request> requestOf(const QStringList& words)
{
    const QString first = words.value(0);
    if (first == QLatin1String("--host") && words.size() == 1)
        return Request{QStringLiteral("Assign3"), {}};
    if ((first == QLatin1String("--templates") || first == QLatin1String("--array")) && words.size() > 1) {
        QVariantList array;
        for (const QString& word : words.mid(1))
            array.append(word);
        return Request{first == QLatin1String("--array") ? QStringLiteral("Assign4") : QStringLiteral("Assign2"),
                       {QVariant(array)}};
    }
    const bool force = words.size() == 4 && words.last() == QLatin1String("--force");
    if ((words.size() == 3 || force) && !first.startsWith(QLatin1String("--")))
        return Request{QStringLiteral("Assign1"), {words[0], words[1], words[2], force}};
    return std::nullopt;
}

QDBusMessage send(const QDBusConnection& bus, QDBusMessage message)
{
    const QDBusMessage reply = bus.call(message, QDBus::Block, kCallMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw std::runtime_error((reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString());
    return reply;
}

// The first value of a reply, unwrapped from its variant.
QVariant resultOf(const QDBusMessage& reply)
{
    QVariant value = reply.arguments().value(0);
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

QDBusMessage callOn(const QString& path, const QString& interface, const QString& member,
                    const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, member);
    for (const QVariant& argument : arguments)
        message << QVariant::fromValue(QDBusVariant(argument));
    return message;
}

bool isReady(const QDBusConnection& bus, const QString& api)
{
    QDBusMessage get = QDBusMessage::createMethodCall(kService, api, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.pcquiba.API") << QStringLiteral("IsReady");
    return resultOf(send(bus, get)).toBool();
}

QString assign(const QDBusConnection& bus, const Request& request)
{
    const QString api = resultOf(send(bus, callOn(kFactory, kService, QStringLiteral("CreateAPI"))))
                            .value<QDBusObjectPath>()
                            .path();
    const auto release = [&] { bus.call(callOn(api, QString(), QStringLiteral("Release")), QDBus::Block); };
    try {
        const QDeadlineTimer deadline(kReadyMilliseconds);
        while (!isReady(bus, api)) {
            if (deadline.hasExpired())
                throw std::runtime_error("pcQUIBA's rules engine did not become ready");
            QThread::msleep(100);
        }
        const QString answer =
            resultOf(send(bus, callOn(api, QStringLiteral("org.pcquiba.API"), request.member, request.arguments)))
                .toString();
        release();
        return answer;
    } catch (...) {
        release();
        throw;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList words = application.arguments().mid(1);
    if (words == QStringList{QStringLiteral("--help")}) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (words == QStringList{QStringLiteral("--version")}) {
        std::printf("pcquiba-assign %s\n", qPrintable(ExecutableInfo::versionString()));
        return 0;
    }
    const std::optional<Request> request = requestOf(words);
    if (!request) {
        std::fputs(kUsage, stderr);
        return kWrongArguments;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "pcquiba-assign: no session bus: %s\n", qPrintable(bus.lastError().message()));
        return kUnreachable;
    }
    try {
        const QString answer = assign(bus, *request);
        std::printf("%s\n", qPrintable(answer));
        return answer.startsWith(QLatin1String("OK: ")) ? kAssigned : kRefused;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pcquiba-assign: %s\n", error.what());
        return kUnreachable;
    }
}
