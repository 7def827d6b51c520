#include "api/IniWriteFailure.h"

#include "config/clsINIFile.h"
#include "services/ProcedureFrame.h"
#include "services/Trace.h"

void IniWriteFailure::raiseIfAny(ProcedureFrame& frame, const QString& className, const clsINIFile& ini)
{
    const QString failure = ini.WriteFailure();
    if (failure.isEmpty())
        return;
    Trace::write(QStringLiteral("Cannot write ") + ini.FileName() + QStringLiteral(": ") + failure,
                 Trace::ErrorSeverity);
    frame.raise(quibaGeneralError, className, {Variant(failure)});
}
