#include "automation/IntrospectionXml.h"

#include "api/SurrenderReason.h"
#include "services/QuibaErrors.h"
#include "automation/APIEventTable.h"
#include "automation/BusEventSink.h"
#include "automation/BusMembers.h"
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

// The automation type and the meaning, where the table gives them.
QString xmlNotes(const QString& indent, const QString& type, const QString& meaning)
{
    QString xml;
    if (!type.isEmpty())
        xml += annotation(indent, IntrospectionXml::automationTypeAnnotation(), type);
    if (!meaning.isEmpty())
        xml += annotation(indent, IntrospectionXml::docStringAnnotation(), meaning);
    return xml;
}

// An element whose annotations make it a pair of tags, or one empty tag when there are none.
QString xmlElement(const QString& indent, const QString& opening, const QString& annotations, const QString& tag)
{
    if (annotations.isEmpty())
        return indent + opening + QStringLiteral("/>\n");
    return indent + opening + QStringLiteral(">\n") + annotations + indent + QStringLiteral("</%1>\n").arg(tag);
}

QString argument(const QString& name, const QString& type, const char* direction, const QString& annotations)
{
    return xmlElement(QStringLiteral("      "),
                   QStringLiteral("<arg name=\"%1\" type=\"%2\" direction=\"%3\"").arg(name, type, QLatin1String(direction)),
                   annotations, QStringLiteral("arg"));
}

QString xmlInArgument(const BusArgument& arg)
{
    const QString indent = QStringLiteral("        ");
    QString annotations;
    if (arg.optional)
        annotations += annotation(indent, QStringLiteral("org.pcquiba.Optional"), QStringLiteral("true"));
    if (arg.byReference)
        annotations += annotation(indent, QStringLiteral("org.pcquiba.ByReference"), QStringLiteral("true"));
    annotations += xmlNotes(indent, arg.type, arg.meaning);
    return argument(arg.name, arg.clientPath ? QStringLiteral("o") : QStringLiteral("v"), "in", annotations);
}

QString xmlOutArgument(const QString& name, const QString& type)
{
    return argument(name, QStringLiteral("v"), "out", xmlNotes(QStringLiteral("        "), type, QString()));
}

QString method(const BusMember& member)
{
    const QString indent = QStringLiteral("      ");
    QString body;
    if (member.dispId)
        body += annotation(indent, IntrospectionXml::dispIdAnnotation(), QString::number(*member.dispId));
    body += xmlNotes(indent, member.hasResult ? member.type : QString(), member.meaning);
    for (const BusArgument& arg : member.arguments)
        body += xmlInArgument(arg);
    if (member.hasResult)
        body += xmlOutArgument(QStringLiteral("result"), member.type);
    for (const BusArgument& arg : member.arguments) {
        if (arg.byReference)
            body += xmlOutArgument(arg.name, arg.type);
    }
    return xmlElement(QStringLiteral("    "), QStringLiteral("<method name=\"%1\"").arg(member.name), body, QStringLiteral("method"));
}

QString property(const BusMember& member)
{
    const QString access = member.isWritable() ? (member.isReadable() ? QStringLiteral("readwrite") : QStringLiteral("write"))
                                               : QStringLiteral("read");
    const QString indent = QStringLiteral("      ");
    QString body;
    if (member.dispId)
        body += annotation(indent, IntrospectionXml::dispIdAnnotation(), QString::number(*member.dispId));
    body += xmlNotes(indent, member.type, member.meaning);
    return xmlElement(QStringLiteral("    "), QStringLiteral("<property name=\"%1\" type=\"v\" access=\"%2\"").arg(member.name, access), body,
                   QStringLiteral("property"));
}

QString xmlRelease()
{
    return method(BusMembers::procedure(IntrospectionXml::releaseMethod(), std::nullopt, {},
                                        QStringLiteral("Ends this object; its path is never used again."), [](BusCall&) {}));
}

QString xmlInterface(const QString& name, const BusMemberTable& members, bool releasable)
{
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(name);
    for (const BusMember& member : members)
        xml += member.kind == BusMember::Kind::Method ? method(member) : property(member);
    if (releasable)
        xml += xmlRelease();
    return xml + QStringLiteral("  </interface>\n");
}

QString enumInterface(const QString& name, const QList<std::pair<QString, qint32>>& values)
{
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(name);
    for (const auto& [valueName, value] : values)
        xml += annotation(QStringLiteral("    "), QStringLiteral("org.pcquiba.Enum.") + valueName, QString::number(value));
    return xml + QStringLiteral("  </interface>\n");
}

// The public enums, by interface name.
QList<std::pair<QString, QString>> xmlEnumInterfaces()
{
    QList<std::pair<QString, qint32>> errors;
    for (const QuibaErrorCatalogue::Entry& entry : QuibaErrorCatalogue::entries())
        errors.append({QLatin1String(entry.name), qint32(entry.code)});
    QList<std::pair<QString, qint32>> reasons;
    for (const auto& [value, name] : kSurrenderReasons)
        reasons.append({QLatin1String(name), qint32(value)});
    const QString errorsName = ExportedObject::interfacePrefix() + QStringLiteral("quibaErrors");
    const QString reasonsName = ExportedObject::interfacePrefix() + QStringLiteral("SurrenderReason");
    return {{errorsName, enumInterface(errorsName, errors)}, {reasonsName, enumInterface(reasonsName, reasons)}};
}

QString enums()
{
    QString xml;
    for (const auto& [name, interface] : xmlEnumInterfaces())
        xml += interface;
    return xml;
}

// An event as the sink's method: by-reference parameters come back in the reply.
BusMember eventAsMethod(const BusEvent& event)
{
    return BusMembers::procedure(event.name, event.dispId, event.arguments, event.meaning, [](BusCall&) {});
}

QString xmlDocument(const QString& interfaces)
{
    return QLatin1String(kHeader) + interfaces + QStringLiteral("</node>\n");
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
    xml += xmlInterface(object.interfaceName(), object.members(), object.isReleasable());
    xml += enums();
    xml += QLatin1String(kStandardInterfaces);
    return xml + childNodes(children) + QStringLiteral("</node>\n");
}

QString IntrospectionXml::forNode(const QStringList& children)
{
    return QLatin1String(kHeader) + QLatin1String(kStandardInterfaces) + childNodes(children) + QStringLiteral("</node>\n");
}

QString IntrospectionXml::interfaceDocument(const ExportedObject& object)
{
    return xmlDocument(xmlInterface(object.interfaceName(), object.members(), object.isReleasable()));
}

QString IntrospectionXml::eventsDocument()
{
    BusMemberTable methods;
    for (const BusEvent& event : APIEventTable::events())
        methods.append(eventAsMethod(event));
    return xmlDocument(xmlInterface(BusEventSink::interfaceName(), methods, false));
}

QList<std::pair<QString, QString>> IntrospectionXml::enumDocuments()
{
    QList<std::pair<QString, QString>> documents;
    for (const auto& [name, interface] : xmlEnumInterfaces())
        documents.append({name, xmlDocument(interface)});
    return documents;
}

QString IntrospectionXml::dispIdAnnotation()
{
    return QStringLiteral("org.pcquiba.DispId");
}

QString IntrospectionXml::automationTypeAnnotation()
{
    return QStringLiteral("org.pcquiba.AutomationType");
}

QString IntrospectionXml::docStringAnnotation()
{
    return QStringLiteral("org.gtk.GDBus.DocString");
}

QString IntrospectionXml::releaseMethod()
{
    return QStringLiteral("Release");
}
