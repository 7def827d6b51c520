#include "services/QuibaErrors.h"

#include "services/ErrText.h"
#include "platform/ExecutableInfo.h"

const QList<QuibaErrorCatalogue::Entry>& QuibaErrorCatalogue::entries()
{
    static const QList<Entry> table = {
        {quibaGeneralError, "quibaGeneralError", "General Error: \\1"},
        {quibaNotReady, "quibaNotReady", "pcQUBIA is Not Ready"},
        {quibaBusy, "quibaBusy", "pcQUBIA is Busy"},
        {quibaNotSupported, "quibaNotSupported", "\\1 is not (yet) supported"},
        {quibaInvalidArgument, "quibaInvalidArgument", "Missing or Invalid Argument: \\1"},
        {quibaAssignRequired, "quibaAssignRequired", "pcQUIBA is not assigned to Host"},
        {quibaNoBasket, "quibaNoBasket", "Basket does not Exist"},
        {quibaBasketIsEmpty, "quibaBasketIsEmpty", "Basket is Empty"},
        {quibaBasketNotEmpty, "quibaBasketNotEmpty", "Basket is not Empty"},
        {quibaBasketIsFull, "quibaBasketIsFull", "Basket already Full"},
        {quibaBasketNotCommitted, "quibaBasketNotCommitted", "Basket not (yet) Committed"},
        {quibaBasketIsCommitted, "quibaBasketIsCommitted", "Basket is (already) Committed"},
        {quibaProductNotFound, "quibaProductNotFound", "Product not Found"},
        {quibaItemNotFound, "quibaItemNotFound", "Basket Item not Found"},
        {quibaItemDestroyed, "quibaItemDestroyed", "Basket Item no longer exists"},
        {quibaStartNotFound, "quibaStartNotFound", "GUI Start not Found"},
        {quibaIncompatibleItem, "quibaIncompatibleItem", "Item is incompatible with others in the basket"},
        {quibaBadDevice, "quibaBadDevice", "Invalid or Unexpected Device Number"},
        {quibaNoPrinterSpecified, "quibaNoPrinterSpecified", "Cannot Print: No Printer Specified"},
        {quibaFileNotFound, "quibaFileNotFound", "\\1 File not Found"},
    };
    return table;
}

std::optional<QuibaErrorCatalogue::Entry> QuibaErrorCatalogue::find(qint32 number)
{
    for (const Entry& entry : entries()) {
        if (entry.code == number)
            return entry;
    }
    return std::nullopt;
}

QString QuibaErrorCatalogue::lexiconSection()
{
    return QStringLiteral("PCQUIBA_ERRORS");
}

QString QuibaErrorCatalogue::unknownKey()
{
    return QStringLiteral("999");
}

QString QuibaErrorCatalogue::unknownText()
{
    return QStringLiteral("Unknown Error: \\1");
}

QString QuibaErrorCatalogue::sourceName(const QString& className)
{
    return ExecutableInfo::name() + className;
}

AutomationError QuibaErrorCatalogue::error(quibaErrors code, const QString& className, const VariantArray& arguments)
{
    return AutomationError(code, sourceName(className), ErrText(code, arguments));
}
