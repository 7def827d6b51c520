#pragma once

#include "SimulatedHostConnection.h"
#include "SimulatedSettings.h"
#include "controller/Host.h"

// The simulated host; each connection reads the settings afresh.
class SimulatedHost : public Host {
public:
    QString className() const override { return QStringLiteral("Host"); }
    std::shared_ptr<HostConnection> Connection(const ObjectRef&) override
    {
        const SimulatedSettings settings = SimulatedSettings::read();
        return std::make_shared<SimulatedHostConnection>(settings.outboxFolder(), settings.uploadTimesOut,
                                                         settings.hostDelayMilliseconds);
    }
};
