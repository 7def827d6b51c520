#pragma once

#include "platform/ComponentPlugin.h"

#include <QList>
#include <QString>
#include <QStringList>

// Finds the component plugins and registers their classes with ComponentRegistry, replacing
// the built-in of the same name. Plugins come only from the folders the program is installed
// in, never from the program root where the kiosk's data lives. A file that is not a plugin,
// is built for another interface version, or fails to load is skipped with a message.
//
// Plugins are found before the logger exists, so messages (the loader's and the plugins' own)
// go to standard error at once and are kept; setLogFunction later hands the kept ones to the
// logger and sends every later line straight there.
class ComponentPluginLoader {
public:
    struct Message {
        QString text;
        qint32 severity;
        bool operator==(const Message&) const = default;
    };

    // "components" beside the executable, then lib/pcquiba/components under the prefix the
    // executable runs from (its folder's parent) and under the prefix it was built for.
    static QStringList defaultFolders();

    // Loads every plugin of the default folders; returns the number of plugins loaded.
    static int loadAll();
    // Loads every plugin of the given folders, in order: a later class replaces an earlier one.
    static int loadFrom(const QStringList& folders);
    // Loads one plugin file; false (with a message) when it is skipped.
    static bool loadFile(const QString& filePath);

    // Whether a plugin loaded so far provides the class (else a built-in, if any, serves).
    static bool provides(const QString& className);

    // Where messages go from now on; the kept ones are handed over first. An empty function
    // goes back to keeping them.
    static void setLogFunction(ComponentPlugin::LogFunction log);
    // The messages kept so far, in order; they are forgotten.
    static QList<Message> takeMessages();

private:
    static void report(const QString& text, qint32 severity);
    static bool isInsideProgramRoot(const QString& folder);
};
