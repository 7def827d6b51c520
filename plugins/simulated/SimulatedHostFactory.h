#pragma once

#include "SimulatedHost.h"
#include "controller/HostFactory.h"

class SimulatedHostFactory : public HostFactory {
public:
    QString className() const override { return QStringLiteral("HostFactory"); }
    std::shared_ptr<Host> CreateHost() override { return std::make_shared<SimulatedHost>(); }
};
