#pragma once

#include "controller/HostConnectionEvents.h"
#include "platform/AutomationObject.h"

// A connection to the remote host, obtained for each upload.
class HostConnection : public AutomationObject {
public:
    virtual void setEventSink(HostConnectionEvents* sink) = 0;
    // An empty remoteName lets the connection choose.
    virtual void UploadFile(const QString& localFile, const QString& remoteName) = 0;
};
