#include "services/ProcedureFrame.h"

#include "services/ProcedureSlot.h"
#include "services/Services.h"

namespace {

thread_local const ProcedureFrame* t_innermostFrame = nullptr;

} // namespace

ProcedureFrame::ProcedureFrame(const QString& procedure, const QString& owner)
    : m_procedure(procedure)
    , m_owner(owner)
    , m_outer(t_innermostFrame)
{
    t_innermostFrame = this;
    ProcedureSlot::show(m_owner, m_procedure);
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
    if (t_innermostFrame == this) {
        t_innermostFrame = m_outer;
        ProcedureSlot::show(m_outer ? m_outer->m_owner : QString(), m_outer ? m_outer->m_procedure : QString());
    }
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
