#include "automation/ExportedObject.h"

ExportedObject::~ExportedObject() = default;

ObjectRef ExportedObject::target() const
{
    return {};
}

void ExportedObject::released() {}

bool ExportedObject::isReleasable() const
{
    return true;
}

QString ExportedObject::interfaceName() const
{
    return interfacePrefix() + className();
}

const BusMember* ExportedObject::findMember(const QString& name, BusMember::Kind kind) const
{
    for (const BusMember& member : members()) {
        if (member.kind == kind && member.name == name)
            return &member;
    }
    return nullptr;
}

QString ExportedObject::interfacePrefix()
{
    return QStringLiteral("org.pcquiba.");
}
