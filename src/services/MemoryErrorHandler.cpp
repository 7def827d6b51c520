#include "services/MemoryErrorHandler.h"

QString MemoryErrorHandler::className() const
{
    return QStringLiteral("ErrorHandler");
}

void MemoryErrorHandler::initialise(const ObjectRef&, const QString&, qint32) {}

void MemoryErrorHandler::recordError(const AutomationError& error, qint32, const QString&, const QString&)
{
    m_lastError = error;
}

qint32 MemoryErrorHandler::errorNumber() const
{
    return m_lastError.number();
}

QString MemoryErrorHandler::errorDescription() const
{
    return m_lastError.description();
}

QString MemoryErrorHandler::errorHelpFile() const
{
    return m_lastError.helpFile();
}

QString MemoryErrorHandler::errorHelpContext() const
{
    return m_lastError.helpContext();
}

void MemoryErrorHandler::setHandlingMode(qint32) {}

void MemoryErrorHandler::enterProcedure(const QString&, const QString&, qint32) {}

void MemoryErrorHandler::leaveProcedure() {}
