#include "SimulatedLog.h"

#include <cstdio>

namespace {

SimulatedLog::Function& destination()
{
    static SimulatedLog::Function function;
    return function;
}

} // namespace

void SimulatedLog::setFunction(Function log)
{
    destination() = std::move(log);
}

void SimulatedLog::write(const QString& text, qint32 severity)
{
    if (destination())
        destination()(text, severity);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}
