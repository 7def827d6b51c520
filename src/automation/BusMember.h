#pragma once

#include "automation/BusCall.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// One argument of a member as the type library declares it.
struct BusArgument {
    QString name;
    bool optional = false;
    // Passed by reference: its value after the call is appended to the reply.
    bool byReference = false;
    // An object path of the client's own (a sink), passed to the handler as its text.
    bool clientPath = false;
    // For the interface description: the automation type (AutomationType) and a one-line meaning.
    QString type;
    QString meaning;
};

// One member of an exported interface. A method (or a property with arguments, exposed as a
// method) runs `invoke`; a property is read through `invoke` and written through `assign`
// (a read-only property has none).
struct BusMember {
    enum class Kind { Method, Property };

    Kind kind = Kind::Method;
    QString name;
    // The type library's DISPID; none for the members only the bus has (Advise, Release).
    std::optional<qint32> dispId;
    QList<BusArgument> arguments;
    bool hasResult = false;
    std::function<Variant(BusCall&)> invoke;
    std::function<void(BusCall&, const Variant&)> assign;
    // For the interface description: the automation type of the result or property (none for a
    // method without a result) and a one-line meaning.
    QString type;
    QString meaning;

    bool isReadable() const { return bool(invoke); }
    bool isWritable() const { return bool(assign); }
};

using BusMemberTable = QList<BusMember>;
