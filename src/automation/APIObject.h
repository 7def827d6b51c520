#pragma once

#include "automation/ExportedObject.h"

#include <memory>

class API;
class BusEventSink;
class ObjectServer;

// The bus form of one API object: the members of _API, plus Advise and Unadvise for the
// Sovereign's event sinks.
class APIObject : public ExportedObject {
public:
    APIObject(ObjectServer& server, std::shared_ptr<API> api);
    ~APIObject() override;

    QString className() const override;
    const BusMemberTable& members() const override;
    ObjectRef target() const override;
    void released() override;

    // The members with no object behind them, for the interface description.
    static BusMemberTable describedMembers();

private:
    void advise(const BusCall& call, const QString& sinkPath);
    void unadvise(const QString& sinkPath);
    // The members acting on `api`; Advise and Unadvise go to `self`.
    static BusMemberTable memberTable(const std::shared_ptr<API>& api, APIObject* self);

    ObjectServer& m_server;
    std::shared_ptr<API> m_api;
    QList<std::shared_ptr<BusEventSink>> m_sinks;
    BusMemberTable m_members;
};
