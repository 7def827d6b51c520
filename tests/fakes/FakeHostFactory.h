#pragma once

#include "controller/HostFactory.h"
#include "fakes/FakeHost.h"

// The host library's factory, registered under its class name; every creation hands out the
// one host (and so the one connection) the test prepares through host().
class FakeHostFactory : public HostFactory {
public:
    static void install();
    static void uninstall();
    static std::shared_ptr<FakeHost> host();

    QString className() const override { return QStringLiteral("FakeHostFactory"); }

    std::shared_ptr<Host> CreateHost() override { return host(); }
};
