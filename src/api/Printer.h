#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// A printer component, created by the class name of PRINTER/class: prints one voucher file.
class Printer : public AutomationObject {
public:
    // options: an optional argument object, passed as nullptr by pcQUIBA.
    virtual void PrintDocument(QString& fileName, const ObjectRef& options) = 0;
};
