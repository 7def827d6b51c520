#pragma once

#include "services/ErrorHandler.h"

// The error handler that stands in until start-up installs the configured one: it keeps the
// last recorded error in memory, so the error exits work from the first procedure on, and
// writes nothing.
class MemoryErrorHandler : public ErrorHandler {
public:
    QString className() const override;

    void initialise(const ObjectRef& application, const QString& logFileName, qint32 options) override;
    void recordError(const AutomationError& error, qint32 line, const QString& procedure,
                     const QString& owner) override;
    qint32 errorNumber() const override;
    QString errorDescription() const override;
    QString errorHelpFile() const override;
    QString errorHelpContext() const override;
    void setHandlingMode(qint32 mode) override;
    void enterProcedure(const QString& procedure, const QString& owner, qint32 flags) override;
    void leaveProcedure() override;

private:
    AutomationError m_lastError{0, {}, {}};
};
