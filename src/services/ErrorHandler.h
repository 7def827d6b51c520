#pragma once

#include "platform/AutomationError.h"
#include "platform/AutomationObject.h"

// The error handler service: told of every procedure entered and left, it records the error
// that ends one. Its operations, in the order of the original interface.
class ErrorHandler : public AutomationObject {
public:
    // Once at start-up: the application object, the log file name ("error.log") and 2.
    virtual void initialise(const ObjectRef& application, const QString& logFileName, qint32 options) = 0;
    virtual void recordError(const AutomationError& error, qint32 line, const QString& procedure,
                             const QString& owner) = 0;
    virtual qint32 errorNumber() const = 0;
    virtual QString errorDescription() const = 0;
    virtual QString errorHelpFile() const = 0;
    virtual QString errorHelpContext() const = 0;
    virtual void setHandlingMode(qint32 mode) = 0;
    // Never fails.
    virtual void enterProcedure(const QString& procedure, const QString& owner, qint32 flags) = 0;
    // Never fails, and is safe on every path.
    virtual void leaveProcedure() = 0;
};
