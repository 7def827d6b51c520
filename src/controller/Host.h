#pragma once

#include "controller/HostConnection.h"

// The host object of the host library; its connection operation yields a HostConnection.
class Host : public AutomationObject {
public:
    // argument: the optional argument object, passed as nullptr by pcQUIBA.
    virtual std::shared_ptr<HostConnection> Connection(const ObjectRef& argument) = 0;
};
