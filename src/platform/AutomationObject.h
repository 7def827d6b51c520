#pragma once

#include <QString>
#include <memory>

// Base of every object a Variant can hold: dictionaries, collections, outside components and
// the automation classes. Objects live as long as their last reference.
class AutomationObject {
public:
    virtual ~AutomationObject();

    // The class name as the runtime reports it (TypeName).
    virtual QString className() const = 0;
};

using ObjectRef = std::shared_ptr<AutomationObject>;
