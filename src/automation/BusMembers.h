#pragma once

#include "automation/BusMember.h"

// Short forms for member tables.
class BusMembers {
public:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;

    static BusMember property(const QString& name, std::optional<qint32> dispId, Getter get, Setter set = {});
    // A method with a result.
    static BusMember function(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                              std::function<Variant(BusCall&)> invoke);
    // A method without a result.
    static BusMember procedure(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                               std::function<void(BusCall&)> invoke);
    // A property with arguments: the get is the method Name(arguments) -> value, the let the
    // method SetName(arguments, value); both carry the property's DISPID. Without a let only
    // the get is made.
    static QList<BusMember> indexedProperty(const QString& name, qint32 dispId, const QList<BusArgument>& arguments,
                                            std::function<Variant(BusCall&)> get,
                                            std::function<void(BusCall&, const Variant&)> set = {});
    static QString setterPrefix();
};
