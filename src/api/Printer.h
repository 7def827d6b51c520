#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// A printer component, created by the class name of PRINTER/class: prints one voucher file.
class Printer : public AutomationObject {
public:
    // options: an optional argument object, passed as nullptr by pcQUIBA.
    virtual void PrintDocument(QString& fileName, const ObjectRef& options) = 0;
    // Raises when the printer cannot print now (out of paper, cover open, offline, no
    // answer), so that a print is refused before it is queued. A printer that cannot tell
    // does nothing.
    virtual void CheckStatus() {}
};
