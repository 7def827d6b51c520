#include "SimulatedPlugin.h"

#include "SimulatedHostFactory.h"
#include "SimulatedLog.h"
#include "SimulatedRulesEngine.h"

void SimulatedPlugin::setLogFunction(LogFunction log)
{
    SimulatedLog::setFunction(std::move(log));
}

QStringList SimulatedPlugin::classNames() const
{
    return {RulesEngine::kClassId, HostFactory::kClassId};
}

ObjectRef SimulatedPlugin::create(const QString& className)
{
    if (className.compare(RulesEngine::kClassId, Qt::CaseInsensitive) == 0)
        return std::make_shared<SimulatedRulesEngine>();
    if (className.compare(HostFactory::kClassId, Qt::CaseInsensitive) == 0)
        return std::make_shared<SimulatedHostFactory>();
    return nullptr;
}
