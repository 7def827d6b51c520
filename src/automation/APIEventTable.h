#pragma once

#include "automation/BusMember.h"

#include <QList>
#include <QString>

// One event of the sink interface: each parameter is a BusArgument (by-reference ones come back
// in the sink's reply, in order).
struct BusEvent {
    QString name;
    qint32 dispId = 0;
    QList<BusArgument> arguments;
    QString meaning;
};

// The events an API object calls on an advised sink (interface org.pcquiba.APIEvents), in the
// order of the source interface, with their DISPIDs, parameters, automation types and meanings:
// what the interface description says of the calls BusEventSink makes.
class APIEventTable {
public:
    static const QList<BusEvent>& events();
    // "APIEvents": the sink's class, the automation type of Advise's argument.
    static QString className();
};
