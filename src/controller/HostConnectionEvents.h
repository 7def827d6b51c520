#pragma once

#include <QString>

// What a host connection tells the caller of an upload. After any of them the caller releases
// the connection.
class HostConnectionEvents {
public:
    virtual ~HostConnectionEvents() = default;

    virtual void Error(qint32 number, const QString& description) = 0;
    virtual void Timeout() = 0;
    virtual void UploadFileComplete(const QString& first, const QString& second) = 0;
};
