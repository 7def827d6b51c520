#include "fakes/FakeHostFactory.h"

#include "platform/ComponentRegistry.h"

namespace {
std::shared_ptr<FakeHost> g_host;
}

void FakeHostFactory::install()
{
    g_host = std::make_shared<FakeHost>();
    ComponentRegistry::registerFactory(HostFactory::kClassId, [] { return std::make_shared<FakeHostFactory>(); });
}

void FakeHostFactory::uninstall()
{
    ComponentRegistry::unregisterFactory(HostFactory::kClassId);
    g_host.reset();
}

std::shared_ptr<FakeHost> FakeHostFactory::host()
{
    if (!g_host)
        g_host = std::make_shared<FakeHost>();
    return g_host;
}
