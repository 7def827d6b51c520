#pragma once

#include "controller/Host.h"

// The host library's factory, created by class name (kClassId).
class HostFactory : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaHosts.HostFactory");

    virtual std::shared_ptr<Host> CreateHost() = 0;
};
