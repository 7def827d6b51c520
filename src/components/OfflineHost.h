#pragma once

#include "components/OfflineHostConnection.h"
#include "controller/Host.h"

class OfflineHost : public Host {
public:
    QString className() const override { return QStringLiteral("Host"); }
    std::shared_ptr<HostConnection> Connection(const ObjectRef&) override
    {
        return std::make_shared<OfflineHostConnection>();
    }
};
