#include "services/Trace.h"

#include "services/Services.h"

void Trace::write(const QString& line, qint32 severity)
{
    Services::logger().log(Variant(cutText(line, kLineLimit)), severity);
}

QString Trace::cutText(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    return text.left(limit) + QStringLiteral(" [... %1 characters]").arg(text.size());
}

namespace {

QStringList cutEach(const QStringList& texts)
{
    QStringList cut;
    cut.reserve(texts.size());
    for (const QString& text : texts)
        cut.append(Trace::cutText(text));
    return cut;
}

} // namespace

QString Trace::callLine(const QString& className, const QString& method, const QStringList& arguments)
{
    return QStringLiteral("CALL: %1.%2(%3)").arg(className, method, cutEach(arguments).join(QStringLiteral(", ")));
}

QString Trace::getLine(const QString& className, const QString& property)
{
    return QStringLiteral("GET: %1.%2").arg(className, property);
}

QString Trace::setLine(const QString& className, const QString& property, const QString& value)
{
    return QStringLiteral("SET: %1.%2 = %3").arg(className, property, cutText(value));
}

QString Trace::resultLine(const QString& result)
{
    return QStringLiteral(" --> ") + cutText(result);
}

QString Trace::eventLine(const QString& event, const QStringList& arguments)
{
    return QStringLiteral("EVENT: %1(%2)").arg(event, cutEach(arguments).join(QStringLiteral(", ")));
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
