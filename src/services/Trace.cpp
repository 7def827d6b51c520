#include "services/Trace.h"

#include "services/Services.h"

void Trace::write(const QString& line, qint32 severity)
{
    Services::logger().log(Variant(line), severity);
}

QString Trace::callLine(const QString& className, const QString& method, const QStringList& arguments)
{
    return QStringLiteral("CALL: %1.%2(%3)").arg(className, method, arguments.join(QStringLiteral(", ")));
}

QString Trace::getLine(const QString& className, const QString& property)
{
    return QStringLiteral("GET: %1.%2").arg(className, property);
}

QString Trace::setLine(const QString& className, const QString& property, const QString& value)
{
    return QStringLiteral("SET: %1.%2 = %3").arg(className, property, value);
}

QString Trace::resultLine(const QString& result)
{
    return QStringLiteral(" --> ") + result;
}

QString Trace::eventLine(const QString& event, const QStringList& arguments)
{
    return QStringLiteral("EVENT: %1(%2)").arg(event, arguments.join(QStringLiteral(", ")));
}

QString Trace::endEventLine(const QString& event)
{
    return QStringLiteral(" --> END EVENT: ") + event;
}

QString Trace::valueText(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Null:
        return {};
    case Variant::Kind::Object:
    case Variant::Kind::Array:
        return value.typeName();
    default:
        return value.toString();
    }
}
