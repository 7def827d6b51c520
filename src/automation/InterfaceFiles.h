#pragma once

#include <QList>
#include <QString>

// The interface files installed for the Sovereigns' developers (share/dbus-1/interfaces): one
// introspection document per interface pcQUIBA serves, and one for the sink's
// org.pcquiba.APIEvents, made from the member and event tables the server uses.
class InterfaceFiles {
public:
    struct File {
        QString interfaceName;
        QString xml;

        QString fileName() const { return interfaceName + QStringLiteral(".xml"); }
    };

    static QList<File> all();
    // Writes every file into the folder (made when missing); the error text, or empty.
    static QString write(const QString& folder);
};
