#include "automation/AutomationFactory.h"

#include "api/API.h"
#include "automation/BusMembers.h"

AutomationFactory::AutomationFactory()
    : m_members {BusMembers::function(QStringLiteral("CreateAPI"), std::nullopt, {}, API::kClassName,
                                      QStringLiteral("Makes an API object, one client of pcQUIBA, for the caller."),
                                      [](BusCall&) { return Variant(ObjectRef(std::make_shared<API>())); })}
{
}

QString AutomationFactory::className() const
{
    return QStringLiteral("pcQUIBA");
}

const BusMemberTable& AutomationFactory::members() const
{
    return m_members;
}

// Every later CreateAPI needs it, whoever asks.
bool AutomationFactory::isReleasable() const
{
    return false;
}
