#include "FleetCommandLine.h"

#include "FleetAcl.h"
#include "FleetAgent.h"
#include "FleetOperator.h"
#include "FleetSettings.h"
#include "config/clsINIFile.h"
#include "platform/FileReplacer.h"
#include "platform/ProgramFolders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

QTextStream& standardOutput()
{
    static QTextStream out(stdout);
    return out;
}

QTextStream& standardError()
{
    static QTextStream err(stderr);
    return err;
}

int runAgent(const QCommandLineParser& parser)
{
    const QString iniFile = parser.isSet(QStringLiteral("ini")) ? parser.value(QStringLiteral("ini"))
                                                                : FleetSettings::defaultIniFile();
    clsINIFile ini;
    ini.setFileName(iniFile);
    FleetSettings settings;
    QString error;
    if (!FleetSettings::read(ini, settings, error)) {
        standardError() << "pcquiba-fleet: " << iniFile << ": " << error << Qt::endl;
        return 2;
    }
    FleetAgent agent(settings, iniFile, ProgramFolders::root());
    // A new process starts with a clean slate; its unit starts it again.
    QObject::connect(&agent, &FleetAgent::failed, &agent, [](const QString& reason) {
        standardError() << "pcquiba-fleet: the connection to the broker cannot go on: " << reason << Qt::endl;
        QCoreApplication::exit(1);
    });
    if (!agent.start(error)) {
        standardError() << "pcquiba-fleet: " << error << Qt::endl;
        return 2;
    }
    const int status = QCoreApplication::exec();
    agent.stop();
    return status;
}

// The operator's broker: the options, else the same keys in the config file's FLEET section.
bool operatorConnection(const QCommandLineParser& parser, FleetOperator::Connection& connection)
{
    FleetSettings fromFile;
    if (parser.isSet(QStringLiteral("config"))) {
        clsINIFile ini;
        ini.setFileName(parser.value(QStringLiteral("config")));
        FleetSettings::readConnection(ini, fromFile);
    }
    auto option = [&](const char* name, const QString& fallback) {
        const QString key = QString::fromLatin1(name);
        return parser.isSet(key) ? parser.value(key) : fallback;
    };
    connection.brokerUrl = option("broker", fromFile.brokerUrl);
    connection.fleetName = option("fleet", fromFile.fleetName);
    connection.caFile = option("cafile", fromFile.caFile);
    connection.certFile = option("cert", fromFile.certFile);
    connection.keyFile = option("key", fromFile.keyFile);
    if (connection.brokerUrl.isEmpty() || !FleetTopics::isValidName(connection.fleetName)) {
        standardError() << "pcquiba-fleet: --broker and --fleet (or --config) are needed" << Qt::endl;
        return false;
    }
    return true;
}

int runSend(const QCommandLineParser& parser, FleetOperator& fleet, int limit)
{
    const QStringList words = parser.positionalArguments();
    const int chosen = int(parser.isSet(QStringLiteral("kiosk"))) + int(parser.isSet(QStringLiteral("group")))
                       + int(parser.isSet(QStringLiteral("all")));
    if (chosen != 1 || words.size() != 2) {
        standardError() << "pcquiba-fleet: send (--kiosk K | --group G | --all) COMMAND" << Qt::endl;
        return 2;
    }
    const int repeat = std::max(1, parser.value(QStringLiteral("repeat")).toInt());
    if (parser.isSet(QStringLiteral("kiosk")))
        return fleet.send(FleetOperator::Target::Kiosk, parser.value(QStringLiteral("kiosk")), words[1], limit, repeat);
    if (parser.isSet(QStringLiteral("group")))
        return fleet.send(FleetOperator::Target::Group, parser.value(QStringLiteral("group")), words[1], limit, repeat);
    return fleet.send(FleetOperator::Target::All, {}, words[1], limit, repeat);
}

int runAcl(const QCommandLineParser& parser)
{
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2) {
        standardError() << "pcquiba-fleet: acl ROSTER [--output FILE]" << Qt::endl;
        return 2;
    }
    QFile roster(words[1]);
    if (!roster.open(QIODevice::ReadOnly)) {
        standardError() << "pcquiba-fleet: cannot read " << words[1] << Qt::endl;
        return 1;
    }
    QString acl;
    QString error;
    if (!FleetAcl::fromRoster(QString::fromUtf8(roster.read(16 * 1024 * 1024)), acl, error)) {
        standardError() << "pcquiba-fleet: " << error << Qt::endl;
        return 1;
    }
    if (!parser.isSet(QStringLiteral("output"))) {
        standardOutput() << acl << Qt::flush;
        return 0;
    }
    return FileReplacer::replaceFile(parser.value(QStringLiteral("output")), acl.toUtf8()) ? 0 : 1;
}

} // namespace

int FleetCommandLine::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("pcQUIBA's fleet agent and the operator's commands"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("agent, send, status, watch or acl"));
    parser.addOptions({
        {QStringLiteral("ini"), QStringLiteral("agent: the main INI file"), QStringLiteral("file")},
        {QStringLiteral("broker"), QStringLiteral("mqtts://HOST[:PORT]"), QStringLiteral("url")},
        {QStringLiteral("fleet"), QStringLiteral("the fleet's name"), QStringLiteral("name")},
        {QStringLiteral("cafile"), QStringLiteral("the broker's CA certificate"), QStringLiteral("file")},
        {QStringLiteral("cert"), QStringLiteral("the operator's certificate"), QStringLiteral("file")},
        {QStringLiteral("key"), QStringLiteral("the operator's key"), QStringLiteral("file")},
        {QStringLiteral("config"), QStringLiteral("an INI file whose FLEET section gives the above"), QStringLiteral("file")},
        {QStringLiteral("kiosk"), QStringLiteral("send to one kiosk"), QStringLiteral("id")},
        {QStringLiteral("group"), QStringLiteral("send to a group"), QStringLiteral("group")},
        {QStringLiteral("all"), QStringLiteral("send to every kiosk")},
        {QStringLiteral("timeout"), QStringLiteral("seconds to wait (send: 60, status: 10, watch: until stopped)"),
         QStringLiteral("seconds")},
        {QStringLiteral("repeat"), QStringLiteral("send: seconds between copies of the command"), QStringLiteral("seconds"),
         QStringLiteral("5")},
        {QStringLiteral("output"), QStringLiteral("acl: the access file to write"), QStringLiteral("file")},
    });
    if (!parser.parse(arguments)) {
        standardError() << "pcquiba-fleet: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        standardOutput() << parser.helpText() << Qt::flush;
        return 0;
    }
    const QString command = parser.positionalArguments().value(0);
    if (command == u"agent")
        return runAgent(parser);
    if (command == u"acl")
        return runAcl(parser);
    if (command != u"send" && command != u"status" && command != u"watch") {
        standardError() << "pcquiba-fleet: agent, send, status, watch or acl" << Qt::endl;
        return 2;
    }
    FleetOperator::Connection connection;
    if (!operatorConnection(parser, connection))
        return 2;
    FleetOperator fleet(connection, standardOutput());
    const bool limited = parser.isSet(QStringLiteral("timeout"));
    const int limit = parser.value(QStringLiteral("timeout")).toInt();
    if (command == u"send")
        return runSend(parser, fleet, limited ? std::max(1, limit) : 60);
    if (command == u"status")
        return fleet.status(limited ? std::max(1, limit) : 10);
    return fleet.watch(limited ? std::max(1, limit) : 0);
}
