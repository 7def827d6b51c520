#pragma once

#include "automation/BusMember.h"

// Short forms for member tables. `type` is the automation type of the result or property
// (AutomationType) and `meaning` one line that says what the member does; both describe the
// member in the introspection data and the interface files.
class BusMembers {
public:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;

    enum ArgumentFlag { ByValue = 0, Optional = 1, ByReference = 2 };

    static BusArgument argument(const QString& name, const QString& type, const QString& meaning, int flags = ByValue);
    static BusMember property(const QString& name, std::optional<qint32> dispId, const QString& type, const QString& meaning,
                              Getter get, Setter set = {});
    // A method with a result.
    static BusMember function(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                              const QString& type, const QString& meaning, std::function<Variant(BusCall&)> invoke);
    // A method without a result.
    static BusMember procedure(const QString& name, std::optional<qint32> dispId, QList<BusArgument> arguments,
                               const QString& meaning, std::function<void(BusCall&)> invoke);
    // A property with arguments: the get is the method Name(arguments) -> value, the let the
    // method SetName(arguments, value); both carry the property's DISPID. Without a let only
    // the get is made.
    static QList<BusMember> indexedProperty(const QString& name, qint32 dispId, const QList<BusArgument>& arguments,
                                            const QString& type, const QString& meaning,
                                            std::function<Variant(BusCall&)> get,
                                            std::function<void(BusCall&, const Variant&)> set = {});
    static QString setterPrefix();
};
