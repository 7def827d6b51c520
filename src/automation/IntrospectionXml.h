#pragma once

#include <QString>
#include <QStringList>

class ExportedObject;

// The introspection data of an exported object: its interface from the member table (DISPIDs
// as "org.pcquiba.DispId" annotations, optional and by-reference arguments annotated), Release,
// the public enums as annotation-only interfaces, the standard interfaces and the child nodes.
class IntrospectionXml {
public:
    static QString forObject(const ExportedObject& object, const QStringList& children);
    // A node that holds only other nodes.
    static QString forNode(const QStringList& children);

    static QString dispIdAnnotation();
    static QString releaseMethod();
};
