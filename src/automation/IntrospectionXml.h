#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class ExportedObject;

// The introspection data of an exported object: its interface from the member table (DISPIDs as
// "org.pcquiba.DispId" annotations, optional and by-reference arguments annotated, each member
// and argument with its automation type and meaning), Release, the public enums as
// annotation-only interfaces, the standard interfaces and the child nodes. The interface files
// are the same interfaces, one to a document.
class IntrospectionXml {
public:
    static QString forObject(const ExportedObject& object, const QStringList& children);
    // A node that holds only other nodes.
    static QString forNode(const QStringList& children);

    // A document holding only the object's own interface.
    static QString interfaceDocument(const ExportedObject& object);
    // The sink's interface, org.pcquiba.APIEvents, from the event table.
    static QString eventsDocument();
    // Each public enum's interface in a document of its own, by interface name.
    static QList<std::pair<QString, QString>> enumDocuments();

    static QString dispIdAnnotation();
    static QString automationTypeAnnotation();
    static QString docStringAnnotation();
    static QString releaseMethod();
};
