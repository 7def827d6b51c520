#pragma once

#include "controller/HostConnectionEvents.h"

#include <QStringList>

// A host connection's sink that writes each event as one line ("Error 53 File not found: x",
// "Timeout", "UploadFileComplete a b").
class RecordingHostEvents : public HostConnectionEvents {
public:
    void Error(qint32 number, const QString& description) override;
    void Timeout() override;
    void UploadFileComplete(const QString& first, const QString& second) override;

    QStringList lines;
};
