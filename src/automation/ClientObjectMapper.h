#pragma once

#include "automation/BusObjectMapper.h"

class ObjectServer;

// The objects of one client: paths it holds resolve only to its own objects, and an object handed
// to it is exported under its tree.
class ClientObjectMapper : public BusObjectMapper {
public:
    ClientObjectMapper(ObjectServer& server, QString client, QString tree);

    QString pathOf(const ObjectRef& object) override;
    ObjectRef objectAt(const QString& path) override;

private:
    ObjectServer& m_server;
    QString m_client;
    QString m_tree;
};
