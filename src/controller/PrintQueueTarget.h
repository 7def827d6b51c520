#pragma once

#include <QString>

// An object whose print operation the controller's print queue calls later, from the event
// loop: the method named when it was queued ("PrintAll", "RaisePrintEvents", "PrintVoucher"),
// with Sync True.
class PrintQueueTarget {
public:
    virtual ~PrintQueueTarget() = default;

    virtual void callPrintMethod(const QString& methodName, bool sync) = 0;
};
