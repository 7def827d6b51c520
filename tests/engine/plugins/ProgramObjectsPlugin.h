#pragma once

#include "platform/ComponentPlugin.h"

#include <QObject>

// A plugin whose objects reach the program's process-wide objects: one asks the component
// registry for a class only the program registered, the other logs through the services
// registry. Both work only when the plugin shares the program's copy of the core.
class ProgramObjectsPlugin : public QObject, public ComponentPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PCQUIBA_COMPONENT_PLUGIN_IID)
    Q_INTERFACES(ComponentPlugin)
public:
    static inline const QString kRegistryProbe = QStringLiteral("QuibaTest.FromRegistry");
    static inline const QString kServicesProbe = QStringLiteral("QuibaTest.LogsThroughServices");
    // The class the plugin asks the registry for; the test program registers it.
    static inline const QString kProgramClass = QStringLiteral("QuibaTest.ProgramOwn");
    static inline const QString kLogLine = QStringLiteral("Logged from a plugin");

    void setLogFunction(LogFunction log) override;
    QStringList classNames() const override;
    ObjectRef create(const QString& className) override;
};
