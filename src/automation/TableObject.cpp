#include "automation/TableObject.h"

#include <utility>

TableObject::TableObject(QString className, ObjectRef target, BusMemberTable members)
    : m_className(std::move(className))
    , m_target(std::move(target))
    , m_members(std::move(members))
{
}

QString TableObject::className() const
{
    return m_className;
}

const BusMemberTable& TableObject::members() const
{
    return m_members;
}

ObjectRef TableObject::target() const
{
    return m_target;
}
