#include "automation/InterfaceFiles.h"

#include "api/API.h"
#include "automation/APIObject.h"
#include "automation/AutomationFactory.h"
#include "automation/BusEventSink.h"
#include "automation/IntrospectionXml.h"
#include "automation/SaleObjectTables.h"
#include "automation/TableObject.h"

#include <QDir>
#include <QSaveFile>

QList<InterfaceFiles::File> InterfaceFiles::all()
{
    QList<std::shared_ptr<ExportedObject>> objects {std::make_shared<AutomationFactory>(),
                                                    std::make_shared<TableObject>(API::kClassName, nullptr, APIObject::describedMembers())};
    for (const QString& className : SaleObjectTables::classNames())
        objects.append(SaleObjectTables::described(className));
    QList<File> files;
    for (const std::shared_ptr<ExportedObject>& object : std::as_const(objects))
        files.append({object->interfaceName(), IntrospectionXml::interfaceDocument(*object)});
    for (const auto& [name, xml] : IntrospectionXml::enumDocuments())
        files.append({name, xml});
    files.append({BusEventSink::interfaceName(), IntrospectionXml::eventsDocument()});
    return files;
}

QString InterfaceFiles::write(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot make %1").arg(folder);
    for (const File& file : all()) {
        QSaveFile out(QDir(folder).filePath(file.fileName()));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.xml.toUtf8()) < 0 || !out.commit())
            return QStringLiteral("%1: %2").arg(out.fileName(), out.errorString());
    }
    return {};
}
