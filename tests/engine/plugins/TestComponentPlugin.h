#pragma once

#include "platform/ComponentPlugin.h"

#include <QObject>

// A plugin that offers two classes: one of its own and one that replaces a built-in.
class TestComponentPlugin : public QObject, public ComponentPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PCQUIBA_COMPONENT_PLUGIN_IID)
    Q_INTERFACES(ComponentPlugin)
public:
    void setLogFunction(LogFunction log) override;
    QStringList classNames() const override;
    ObjectRef create(const QString& className) override;

private:
    LogFunction m_log;
};
