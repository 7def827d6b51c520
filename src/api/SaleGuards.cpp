#include "api/SaleGuards.h"

#include "services/ErrText.h"
#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "controller/frmController.h"
#include "platform/RuntimeErrors.h"

namespace {

struct Refusal {
    SaleGuards::Check check;
    quibaErrors code;
};

// The code each failed check raises. A missing basket has no number of its own: it is raised
// as a general error with the no-basket text.
constexpr Refusal kRefusals[] = {
    {SaleGuards::Ready, quibaNotReady},
    {SaleGuards::Assigned, quibaAssignRequired},
    {SaleGuards::Idle, quibaBusy},
    {SaleGuards::BasketPresent, quibaNoBasket},
    {SaleGuards::NotEmpty, quibaBasketIsEmpty},
    {SaleGuards::NotCommitted, quibaBasketIsCommitted},
    {SaleGuards::NotFull, quibaBasketIsFull},
};

quibaErrors refusalCode(SaleGuards::Check check)
{
    for (const Refusal& refusal : kRefusals) {
        if (refusal.check == check)
            return refusal.code;
    }
    return quibaGeneralError;
}

} // namespace

void SaleGuards::require(ProcedureFrame& frame, const QString& className, std::initializer_list<Guard> guards)
{
    for (const Guard& guard : guards) {
        if (!passes(guard.check))
            fail(frame, className, guard);
    }
}

std::shared_ptr<RulesEngine> SaleGuards::engine()
{
    return frmController::instance().Engine();
}

std::shared_ptr<RulesEngine> SaleGuards::requiredEngine()
{
    std::shared_ptr<RulesEngine> current = engine();
    if (!current)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return current;
}

std::shared_ptr<EngineBasket> SaleGuards::basket()
{
    std::shared_ptr<EngineBasket> basket = requiredEngine()->Basket();
    if (!basket)
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return basket;
}

std::shared_ptr<EngineBasket> SaleGuards::basketInProgress()
{
    if (!frmController::isLoaded())
        return nullptr;
    const auto current = frmController::instance().Engine();
    return current ? current->Basket() : nullptr;
}

bool SaleGuards::passes(Check check)
{
    switch (check) {
    case Ready:
        return frmController::instance().EngineReady();
    case Assigned:
        return !requiredEngine()->AssignRequired();
    case Idle:
        return !requiredEngine()->IsBusy();
    case BasketPresent:
        return requiredEngine()->Basket() != nullptr;
    case NotEmpty:
        return basket()->Count() != 0;
    case NotCommitted:
        return !basket()->IsCommitted();
    case NotFull:
        return !basket()->IsFull();
    }
    return true;
}

void SaleGuards::fail(ProcedureFrame& frame, const QString& className, const Guard& guard)
{
    const VariantArray arguments = guard.argument.isEmpty() ? VariantArray{} : VariantArray{Variant(guard.argument)};
    const quibaErrors code = refusalCode(guard.check);
    if (code != quibaNoBasket)
        frame.raise(code, className, arguments);
    frame.leave();
    frame.raise(AutomationError(quibaGeneralError, QuibaErrorCatalogue::sourceName(className),
                                ErrText(quibaNoBasket, arguments)));
}
