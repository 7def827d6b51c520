#include "automation/IgnoredObjects.h"

#include "platform/RuntimeErrors.h"

QString IgnoredObjects::pathOf(const ObjectRef&)
{
    RuntimeErrors::raise(RuntimeErrors::ObjectRequired);
}

ObjectRef IgnoredObjects::objectAt(const QString&)
{
    return {};
}
