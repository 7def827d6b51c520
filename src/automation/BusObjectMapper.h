#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// Turns objects into the object paths a client sees and back. "/" stands for Nothing.
class BusObjectMapper {
public:
    virtual ~BusObjectMapper() = default;

    // The path under which the client reaches the object; exports it when it is not yet.
    virtual QString pathOf(const ObjectRef& object) = 0;
    // The object behind a path the client holds; raises when the path is not one of its objects.
    virtual ObjectRef objectAt(const QString& path) = 0;
};
