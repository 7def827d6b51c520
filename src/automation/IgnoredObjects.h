#pragma once

#include "automation/BusObjectMapper.h"

// For values a sink writes back: an object path there is never followed; it reads as Nothing.
class IgnoredObjects : public BusObjectMapper {
public:
    QString pathOf(const ObjectRef& object) override;
    ObjectRef objectAt(const QString& path) override;
};
