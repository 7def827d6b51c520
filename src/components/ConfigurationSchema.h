#pragma once

#include <QList>
#include <QStringList>

// The sections of pcQUIBA.ini the settings dialog shows, each with its keys in schema order.
class ConfigurationSchema {
public:
    struct Section {
        QString name;
        QStringList keys;
    };

    static const QList<Section>& sections();
};
