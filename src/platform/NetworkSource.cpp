#include "platform/NetworkSource.h"

#include "platform/LinuxNetworkSource.h"

namespace {

std::shared_ptr<NetworkSource>& installed()
{
    static std::shared_ptr<NetworkSource> source = std::make_shared<LinuxNetworkSource>();
    return source;
}

} // namespace

NetworkSource::~NetworkSource() = default;

NetworkSource& NetworkSource::current()
{
    return *installed();
}

void NetworkSource::setCurrent(std::shared_ptr<NetworkSource> source)
{
    if (source)
        installed() = std::move(source);
}

void NetworkSource::reset()
{
    installed() = std::make_shared<LinuxNetworkSource>();
}
