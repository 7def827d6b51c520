#include "services/ProcessState.h"

#include "config/clsINIFile.h"

ProcessState& ProcessState::instance()
{
    static ProcessState state;
    return state;
}

void ProcessState::reset()
{
    instance() = ProcessState{};
}
