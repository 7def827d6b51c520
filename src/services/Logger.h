#pragma once

#include "platform/AutomationObject.h"
#include "platform/Variant.h"

// The logger service: writes log lines with a severity.
class Logger : public AutomationObject {
public:
    virtual void setLogName(const QString& name) = 0;
    virtual void setThreshold(qint32 threshold) = 0;
    virtual void log(const Variant& text, qint32 severity) = 0;
};
