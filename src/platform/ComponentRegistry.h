#pragma once

#include "platform/AutomationObject.h"

#include <QString>
#include <functional>

// Creates outside components by class name, the stand-in for creating an automation object by
// its programmatic identifier. Names compare without regard to case. The built-in components
// register themselves at start-up; tests put fakes in their place.
class ComponentRegistry {
public:
    using Factory = std::function<ObjectRef()>;

    static void registerFactory(const QString& className, Factory factory);
    static void unregisterFactory(const QString& className);
    static bool isRegistered(const QString& className);

    // A new object of the class; raises 429 when no factory is registered for it or the
    // factory gives nothing.
    static ObjectRef create(const QString& className);

    // create() cast to the interface the caller needs; raises 13 when the object does not
    // offer it.
    template <class Interface>
    static std::shared_ptr<Interface> createAs(const QString& className)
    {
        auto object = std::dynamic_pointer_cast<Interface>(create(className));
        if (!object)
            raiseTypeMismatch();
        return object;
    }

private:
    [[noreturn]] static void raiseTypeMismatch();
};
