#include "services/ProcessInitialiser.h"

#include <utility>

namespace {

std::function<void()>& registered()
{
    static std::function<void()> initialise;
    return initialise;
}

} // namespace

void ProcessInitialiser::set(std::function<void()> initialise)
{
    registered() = std::move(initialise);
}

void ProcessInitialiser::run()
{
    if (registered())
        registered()();
}
