#pragma once

#include "components/StandardErrorHandler.h"

#include <QStringList>

// The built-in error handler (without its file) that also keeps the order of every enter,
// leave and record, so a test can check that a frame leaves exactly once.
class RecordingErrorHandler : public StandardErrorHandler {
public:
    void recordError(const AutomationError& error, qint32 line, const QString& procedure,
                     const QString& owner) override;
    void enterProcedure(const QString& procedure, const QString& owner, qint32 flags) override;
    void leaveProcedure() override;
    void setHandlingMode(qint32 mode) override;

    int enters = 0;
    int leaves = 0;
    QStringList events; // "enter owner.procedure", "leave", "record number procedure", "mode 3"
};
