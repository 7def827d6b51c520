#pragma once

#include "components/OfflineHost.h"
#include "controller/HostFactory.h"

// The built-in host library factory; its hosts connect nowhere.
class OfflineHostFactory : public HostFactory {
public:
    static QString classId() { return HostFactory::kClassId; }

    QString className() const override { return QStringLiteral("HostFactory"); }
    std::shared_ptr<Host> CreateHost() override { return std::make_shared<OfflineHost>(); }
};
