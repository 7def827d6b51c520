#include "ProgramObjectsPlugin.h"

#include "platform/ComponentRegistry.h"
#include "services/Services.h"

namespace {

class LoggedObject : public AutomationObject {
public:
    QString className() const override { return ProgramObjectsPlugin::kServicesProbe; }
};

} // namespace

void ProgramObjectsPlugin::setLogFunction(LogFunction)
{
}

QStringList ProgramObjectsPlugin::classNames() const
{
    return {kRegistryProbe, kServicesProbe};
}

ObjectRef ProgramObjectsPlugin::create(const QString& className)
{
    if (className == kRegistryProbe)
        return ComponentRegistry::create(kProgramClass);
    Services::logger().log(Variant(kLogLine), 0);
    return std::make_shared<LoggedObject>();
}
