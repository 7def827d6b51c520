#pragma once

#include "platform/ComponentPlugin.h"

#include <QObject>

// The plugin entry: the simulated rules engine and host under the class names pcQUIBA creates.
class SimulatedPlugin : public QObject, public ComponentPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PCQUIBA_COMPONENT_PLUGIN_IID)
    Q_INTERFACES(ComponentPlugin)
public:
    void setLogFunction(LogFunction log) override;
    QStringList classNames() const override;
    ObjectRef create(const QString& className) override;
};
