#include "platform/ComponentRegistry.h"

#include "platform/RuntimeErrors.h"

#include <QHash>

namespace {

QHash<QString, ComponentRegistry::Factory>& factories()
{
    static QHash<QString, ComponentRegistry::Factory> table;
    return table;
}

} // namespace

void ComponentRegistry::registerFactory(const QString& className, Factory factory)
{
    factories().insert(className.toLower(), std::move(factory));
}

void ComponentRegistry::unregisterFactory(const QString& className)
{
    factories().remove(className.toLower());
}

bool ComponentRegistry::isRegistered(const QString& className)
{
    return factories().contains(className.toLower());
}

ObjectRef ComponentRegistry::create(const QString& className)
{
    const auto factory = factories().constFind(className.toLower());
    ObjectRef object = factory != factories().constEnd() ? (*factory)() : nullptr;
    if (!object)
        RuntimeErrors::raise(RuntimeErrors::CannotCreateObject);
    return object;
}

void ComponentRegistry::raiseTypeMismatch()
{
    RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
}
