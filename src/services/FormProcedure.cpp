#include "services/FormProcedure.h"

#include "services/ProcedureFrame.h"

bool FormProcedure::run(const QString& procedure, const QString& formName, const std::function<void()>& body)
{
    ProcedureFrame frame(procedure, formName);
    try {
        // The rethrow exit records the error, sets handling mode 3 and leaves; the window's
        // handler then ends here.
        frame.run(ErrorExit::rethrow(), body);
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}
