#pragma once

#include "controller/Host.h"
#include "fakes/FakeHostConnection.h"

// A host object that hands out the connection the test prepared.
class FakeHost : public Host {
public:
    QString className() const override { return QStringLiteral("FakeHost"); }

    std::shared_ptr<HostConnection> Connection(const ObjectRef&) override { return connection; }

    std::shared_ptr<FakeHostConnection> connection = std::make_shared<FakeHostConnection>();
};
