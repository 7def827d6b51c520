#include "automation/IntrospectionXml.h"

#include "api/SurrenderReason.h"
#include "services/QuibaErrors.h"
#include "automation/ExportedObject.h"

#include <utility>

namespace {

const char* const kHeader =
    "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
    "<node>\n";

const char* const kStandardInterfaces =
    "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "    <method name=\"Introspect\">\n"
    "      <arg name=\"xml_data\" type=\"s\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n"
    "  <interface name=\"org.freedesktop.DBus.Properties\">\n"
    "    <method name=\"Get\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"property_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"value\" type=\"v\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Set\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"property_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"value\" type=\"v\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"GetAll\">\n"
    "      <arg name=\"interface_name\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"values\" type=\"a{sv}\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n";

const std::pair<SurrenderReason, const char*> kSurrenderReasons[] = {
    {SurrenderNormal, "SurrenderNormal"},
    {SurrenderTimeout, "SurrenderTimeout"},
    {SurrenderUserCancelled, "SurrenderUserCancelled"},
    {SurrenderInterrupt, "SurrenderInterrupt"},
    {SurrenderHide, "SurrenderHide"},
    {SurrenderPaymentComplete, "SurrenderPaymentComplete"},
    {SurrenderPrintingComplete, "SurrenderPrintingComplete"},
    {SurrenderError, "SurrenderError"},
    {SurrenderConfigUtility, "SurrenderConfigUtility"},
};

QString annotation(const QString& indent, const QString& name, const QString& value)
{
    return indent + QStringLiteral("<annotation name=\"%1\" value=\"%2\"/>\n").arg(name, value.toHtmlEscaped());
}

QString argument(const QString& name, const QString& type, const char* direction)
{
    return QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"%3\"/>\n")
        .arg(name, type, QLatin1String(direction));
}

QString argumentWithNotes(const BusArgument& arg)
{
    if (arg.clientPath)
        return argument(arg.name, QStringLiteral("o"), "in");
    if (!arg.optional && !arg.byReference)
        return argument(arg.name, QStringLiteral("v"), "in");
    QString xml = QStringLiteral("      <arg name=\"%1\" type=\"v\" direction=\"in\">\n").arg(arg.name);
    if (arg.optional)
        xml += annotation(QStringLiteral("        "), QStringLiteral("org.pcquiba.Optional"), QStringLiteral("true"));
    if (arg.byReference)
        xml += annotation(QStringLiteral("        "), QStringLiteral("org.pcquiba.ByReference"), QStringLiteral("true"));
    return xml + QStringLiteral("      </arg>\n");
}

QString method(const BusMember& member)
{
    QString xml = QStringLiteral("    <method name=\"%1\">\n").arg(member.name);
    if (member.dispId)
        xml += annotation(QStringLiteral("      "), IntrospectionXml::dispIdAnnotation(), QString::number(*member.dispId));
    for (const BusArgument& arg : member.arguments)
        xml += argumentWithNotes(arg);
    if (member.hasResult)
        xml += argument(QStringLiteral("result"), QStringLiteral("v"), "out");
    for (const BusArgument& arg : member.arguments) {
        if (arg.byReference)
            xml += argument(arg.name, QStringLiteral("v"), "out");
    }
    return xml + QStringLiteral("    </method>\n");
}

QString property(const BusMember& member)
{
    const QString access = member.isWritable() ? (member.isReadable() ? QStringLiteral("readwrite") : QStringLiteral("write"))
                                               : QStringLiteral("read");
    return QStringLiteral("    <property name=\"%1\" type=\"v\" access=\"%2\">\n").arg(member.name, access)
        + annotation(QStringLiteral("      "), IntrospectionXml::dispIdAnnotation(), QString::number(member.dispId.value_or(0)))
        + QStringLiteral("    </property>\n");
}

QString enumInterface(const QString& name, const QList<std::pair<QString, qint32>>& values)
{
    QString xml = QStringLiteral("  <interface name=\"org.pcquiba.%1\">\n").arg(name);
    for (const auto& [valueName, value] : values)
        xml += annotation(QStringLiteral("    "), QStringLiteral("org.pcquiba.Enum.") + valueName, QString::number(value));
    return xml + QStringLiteral("  </interface>\n");
}

QString enums()
{
    QList<std::pair<QString, qint32>> errors;
    for (const QuibaErrorCatalogue::Entry& entry : QuibaErrorCatalogue::entries())
        errors.append({QLatin1String(entry.name), qint32(entry.code)});
    QList<std::pair<QString, qint32>> reasons;
    for (const auto& [value, name] : kSurrenderReasons)
        reasons.append({QLatin1String(name), qint32(value)});
    return enumInterface(QStringLiteral("quibaErrors"), errors) + enumInterface(QStringLiteral("SurrenderReason"), reasons);
}

QString childNodes(const QStringList& children)
{
    QString xml;
    for (const QString& child : children)
        xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(child);
    return xml;
}

} // namespace

QString IntrospectionXml::forObject(const ExportedObject& object, const QStringList& children)
{
    QString xml = QLatin1String(kHeader);
    xml += QStringLiteral("  <interface name=\"%1\">\n").arg(object.interfaceName());
    for (const BusMember& member : object.members())
        xml += member.kind == BusMember::Kind::Method ? method(member) : property(member);
    if (object.isReleasable())
        xml += QStringLiteral("    <method name=\"%1\"/>\n").arg(releaseMethod());
    xml += QStringLiteral("  </interface>\n");
    xml += enums();
    xml += QLatin1String(kStandardInterfaces);
    return xml + childNodes(children) + QStringLiteral("</node>\n");
}

QString IntrospectionXml::forNode(const QStringList& children)
{
    return QLatin1String(kHeader) + QLatin1String(kStandardInterfaces) + childNodes(children) + QStringLiteral("</node>\n");
}

QString IntrospectionXml::dispIdAnnotation()
{
    return QStringLiteral("org.pcquiba.DispId");
}

QString IntrospectionXml::releaseMethod()
{
    return QStringLiteral("Release");
}
