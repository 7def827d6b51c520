#pragma once

#include "automation/BusMember.h"
#include "platform/AutomationObject.h"

// An object a client reaches over the bus: its interface, its members and the automation object
// behind it (if any).
class ExportedObject {
public:
    virtual ~ExportedObject();

    // The class name; the interface is "org.pcquiba." followed by it.
    virtual QString className() const = 0;
    virtual const BusMemberTable& members() const = 0;
    // The automation object the members act on; an object handed out again keeps its path.
    virtual ObjectRef target() const;
    // Called once when the object ends: released, or its client left the bus.
    virtual void released();
    // False for an object that lives as long as the process: Release on it is refused.
    virtual bool isReleasable() const;

    QString interfaceName() const;
    // The member of that name and kind, or none.
    const BusMember* findMember(const QString& name, BusMember::Kind kind) const;

    static QString interfacePrefix();
};
