#include "services/ErrorExit.h"

#include "services/ErrText.h"
#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "services/Services.h"
#include "platform/ExecutableInfo.h"

ErrorExit::ErrorExit(Kind kind, QString sourceName) : m_kind(kind), m_sourceName(std::move(sourceName)) {}

ErrorExit ErrorExit::forClass(const QString& sourceName)
{
    return ErrorExit(Kind::Class, sourceName);
}

ErrorExit ErrorExit::forModule()
{
    return ErrorExit(Kind::Module, {});
}

ErrorExit ErrorExit::rethrow()
{
    return ErrorExit(Kind::Rethrow, {});
}

void ErrorExit::take(ProcedureFrame& frame, const AutomationError& error) const
{
    ErrorHandler& handler = Services::errorHandler();
    // The runtime reports no line numbers for this code.
    handler.recordError(error, 0, frame.procedure(), frame.owner());
    handler.setHandlingMode(3);
    frame.leave();

    switch (m_kind) {
    case Kind::Class:
        throw AutomationError(quibaGeneralError, m_sourceName,
                              ErrText(quibaGeneralError, {handler.errorDescription()}));
    case Kind::Module:
        throw AutomationError(handler.errorNumber(), ExecutableInfo::name() + u'.' + frame.owner(),
                              handler.errorDescription(), handler.errorHelpFile(), handler.errorHelpContext());
    case Kind::Rethrow:
        break;
    }
    throw error;
}
