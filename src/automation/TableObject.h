#pragma once

#include "automation/ExportedObject.h"

// An exported object whose members are a table made for its automation object.
class TableObject : public ExportedObject {
public:
    TableObject(QString className, ObjectRef target, BusMemberTable members);

    QString className() const override;
    const BusMemberTable& members() const override;
    ObjectRef target() const override;

private:
    QString m_className;
    ObjectRef m_target;
    BusMemberTable m_members;
};
