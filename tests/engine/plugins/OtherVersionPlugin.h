#pragma once

#include <QObject>

// A plugin built for an older interface version: its IID names version 0.
class OtherVersionPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.pcquiba.ComponentPlugin/0")
};
