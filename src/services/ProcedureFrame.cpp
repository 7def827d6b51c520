#include "services/ProcedureFrame.h"

#include "services/Services.h"

ProcedureFrame::ProcedureFrame(const QString& procedure, const QString& owner)
    : m_procedure(procedure)
    , m_owner(owner)
{
    Services::errorHandler().enterProcedure(m_procedure, m_owner, 0);
}

ProcedureFrame::~ProcedureFrame()
{
    leave();
}

void ProcedureFrame::leave()
{
    if (m_left)
        return;
    m_left = true;
    Services::errorHandler().leaveProcedure();
}

void ProcedureFrame::raise(const AutomationError& error)
{
    leave();
    throw error;
}

void ProcedureFrame::raise(quibaErrors code, const QString& className, const VariantArray& arguments)
{
    leave();
    throw QuibaErrorCatalogue::error(code, className, arguments);
}
