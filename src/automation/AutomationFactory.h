#pragma once

#include "automation/ExportedObject.h"

// The object at /org/pcquiba/pcQUIBA (interface org.pcquiba.pcQUIBA), open to every
// connection: CreateAPI makes one API object, one client, for the caller.
class AutomationFactory : public ExportedObject {
public:
    AutomationFactory();

    QString className() const override;
    const BusMemberTable& members() const override;
    bool isReleasable() const override;

private:
    BusMemberTable m_members;
};
