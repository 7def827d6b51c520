#pragma once

#include "platform/AutomationObject.h"

#include <QStringList>
#include <QtPlugin>
#include <functional>

// What a shared library in a components folder offers: the class names it provides and a
// factory for each. The interface version is the last part of the IID; a plugin built against
// another version is skipped, since the objects it makes would not match this program's
// contract classes.
class ComponentPlugin {
public:
    // Severity as the program's logger takes it (0 progress, 2 warning, 4 error).
    using LogFunction = std::function<void(const QString& text, qint32 severity)>;

    virtual ~ComponentPlugin() = default;

    // Called once, before any object is created: where the plugin's own log lines go.
    virtual void setLogFunction(LogFunction log) = 0;
    // The class names ("QuibaRules.RulesEngine", ...) this plugin makes.
    virtual QStringList classNames() const = 0;
    // A new object of one of those classes, or nullptr.
    virtual ObjectRef create(const QString& className) = 0;
};

#define PCQUIBA_COMPONENT_PLUGIN_IID "org.pcquiba.ComponentPlugin/1"

Q_DECLARE_INTERFACE(ComponentPlugin, PCQUIBA_COMPONENT_PLUGIN_IID)
