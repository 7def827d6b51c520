#include "api/TickCount.h"

#include <ctime>

namespace {

qint64 bootMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

TickCount::Source& source()
{
    static TickCount::Source current;
    return current;
}

} // namespace

qint32 TickCount::now()
{
    return fromMilliseconds(source() ? source()() : bootMilliseconds());
}

qint32 TickCount::fromMilliseconds(qint64 milliseconds)
{
    return qint32(quint32(quint64(milliseconds)));
}

void TickCount::setSource(Source replacement)
{
    source() = std::move(replacement);
}
