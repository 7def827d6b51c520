#include "fakes/RecordingErrorHandler.h"

void RecordingErrorHandler::recordError(const AutomationError& error, qint32 line, const QString& procedure,
                                        const QString& owner)
{
    events.append(QStringLiteral("record %1 %2.%3").arg(error.number()).arg(owner, procedure));
    StandardErrorHandler::recordError(error, line, procedure, owner);
}

void RecordingErrorHandler::enterProcedure(const QString& procedure, const QString& owner, qint32 flags)
{
    ++enters;
    events.append(QStringLiteral("enter %1.%2").arg(owner, procedure));
    StandardErrorHandler::enterProcedure(procedure, owner, flags);
}

void RecordingErrorHandler::leaveProcedure()
{
    ++leaves;
    events.append(QStringLiteral("leave"));
    StandardErrorHandler::leaveProcedure();
}

void RecordingErrorHandler::setHandlingMode(qint32 mode)
{
    events.append(QStringLiteral("mode %1").arg(mode));
    StandardErrorHandler::setHandlingMode(mode);
}
