#include "automation/ClientObjectMapper.h"

#include "automation/ObjectServer.h"
#include "platform/RuntimeErrors.h"

#include <utility>

ClientObjectMapper::ClientObjectMapper(ObjectServer& server, QString client, QString tree)
    : m_server(server)
    , m_client(std::move(client))
    , m_tree(std::move(tree))
{
}

QString ClientObjectMapper::pathOf(const ObjectRef& object)
{
    return m_server.pathFor(m_client, m_tree, object);
}

ObjectRef ClientObjectMapper::objectAt(const QString& path)
{
    const std::shared_ptr<ExportedObject> exported = m_server.objectOf(m_client, path);
    if (!exported || !exported->target())
        RuntimeErrors::raise(RuntimeErrors::ObjectRequired);
    return exported->target();
}
