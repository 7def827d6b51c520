#include "automation/BusMembers.h"

#include <utility>

BusArgument BusMembers::argument(const QString& name, const QString& type, const QString& meaning, int flags)
{
    BusArgument argument;
    argument.name = name;
    argument.optional = (flags & Optional) != 0;
    argument.byReference = (flags & ByReference) != 0;
    argument.type = type;
    argument.meaning = meaning;
    return argument;
}

BusMember BusMembers::property(const QString& name, std::optional<qint32> dispId, const QString& type, const QString& meaning,
                               Getter get, Setter set)
{
    BusMember member;
    member.kind = BusMember::Kind::Property;
    member.name = name;
    member.dispId = dispId;
    member.hasResult = true;
    member.type = type;
    member.meaning = meaning;
    member.invoke = [get = std::move(get)](BusCall&) { return get(); };
    if (set)
        member.assign = [set = std::move(set)](BusCall&, const Variant& value) { set(value); };
    return member;
}

BusMember BusMembers::function(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                               const QString& type, const QString& meaning, std::function<Variant(BusCall&)> invoke)
{
    BusMember member;
    member.name = name;
    member.dispId = dispId;
    member.arguments = std::move(arguments);
    member.hasResult = true;
    member.type = type;
    member.meaning = meaning;
    member.invoke = std::move(invoke);
    return member;
}

BusMember BusMembers::procedure(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                                const QString& meaning, std::function<void(BusCall&)> invoke)
{
    BusMember member = function(name, dispId, std::move(arguments), QString(), meaning, [invoke = std::move(invoke)](BusCall& call) {
        invoke(call);
        return Variant();
    });
    member.hasResult = false;
    return member;
}

QList<BusMember> BusMembers::indexedProperty(const QString& name, qint32 dispId, const QList<BusArgument>& arguments,
                                             const QString& type, const QString& meaning,
                                             std::function<Variant(BusCall&)> get,
                                             std::function<void(BusCall&, const Variant&)> set)
{
    if (!set)
        return {function(name, dispId, arguments, type, meaning, std::move(get))};
    QList<BusArgument> withValue = arguments;
    withValue.append(argument(QStringLiteral("value"), type, QStringLiteral("The new value.")));
    const qsizetype valueIndex = arguments.size();
    return {function(name, dispId, arguments, type, meaning, std::move(get)),
            procedure(setterPrefix() + name, dispId, withValue, QStringLiteral("Writes what %1 reads.").arg(name),
                      [set = std::move(set), valueIndex](BusCall& call) { set(call, call.arguments.at(valueIndex)); })};
}

QString BusMembers::setterPrefix()
{
    return QStringLiteral("Set");
}
