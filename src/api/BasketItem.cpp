#include "api/BasketItem.h"

#include "api/ClassExit.h"
#include "api/Vouchers.h"
#include "services/ErrorExit.h"
#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "services/Trace.h"
#include "controller/EngineBasketItem.h"
#include "controller/EngineItemHold.h"
#include "platform/Blanks.h"
#include "platform/RuntimeErrors.h"
#include "support/modTouchTools.h"

using namespace Qt::StringLiterals;

namespace {

} // namespace

std::shared_ptr<BasketItem> BasketItem::wrap(const std::shared_ptr<EngineBasketItem>& engineItem)
{
    auto item = std::make_shared<BasketItem>();
    item->AttachItem(engineItem);
    return item;
}

QString BasketItem::className() const
{
    return kClassName;
}

void BasketItem::AttachItem(const std::shared_ptr<EngineBasketItem>& engineItem)
{
    m_engineItem = engineItem ? std::make_shared<EngineItemHold>(engineItem) : nullptr;
}

const EngineBasketItem& BasketItem::engineItem() const
{
    if (!m_engineItem || !m_engineItem->item())
        RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
    return *m_engineItem->item();
}

Variant BasketItem::property(const QString& name, const std::function<Variant(const EngineBasketItem&)>& read)
{
    ProcedureFrame frame(u"Property (Get) "_s + name, kClassName);
    return frame.run(classExit<BasketItem>(), [&] {
        Trace::write(Trace::getLine(kClassName, name));
        const Variant value = read(engineItem());
        Trace::write(Trace::resultLine(Trace::valueText(value)));
        return value;
    });
}

QString BasketItem::ID()
{
    return property(u"ID"_s, [](const EngineBasketItem& item) { return Variant(QString::number(item.ID())); })
        .stringValue();
}

QString BasketItem::ProductID()
{
    return property(u"ProductID"_s, [](const EngineBasketItem& item) { return Variant(item.ProductID()); })
        .stringValue();
}

QString BasketItem::Description()
{
    return property(u"Description"_s, [](const EngineBasketItem& item) {
               const auto description = item.Description();
               if (!description)
                   RuntimeErrors::raise(RuntimeErrors::ObjectNotSet);
               return Variant(description->Text());
           })
        .stringValue();
}

QString BasketItem::POSOperatorID()
{
    return property(u"POSOperatorID"_s, [](const EngineBasketItem& item) { return Variant(item.POSOperatorID()); })
        .stringValue();
}

QString BasketItem::POSReferenceID()
{
    return property(u"POSReferenceID"_s, [](const EngineBasketItem& item) { return Variant(item.POSReferenceID()); })
        .stringValue();
}

qint16 BasketItem::Quantity()
{
    return property(u"Quantity"_s, [](const EngineBasketItem& item) { return Variant(item.Quantity()); })
        .integerValue();
}

qint64 BasketItem::Value()
{
    return property(u"Value"_s, [](const EngineBasketItem& item) { return Variant::fromCurrency(item.Value()); })
        .currencyValue();
}

qint64 BasketItem::Tax(const QString& taxCode)
{
    ProcedureFrame frame(u"Property (Get) Tax"_s, kClassName);
    return frame.run(classExit<BasketItem>(), [&] {
        const QString code = Blanks::trim(taxCode).toUpper();
        Trace::write(u"GET: BasketItem.Tax("_s + modTouchTools::QuoteText(Variant(code), u"\""_s) + u')');
        const Variant value = Variant::fromCurrency(engineItem().Tax(code));
        Trace::write(Trace::resultLine(Trace::valueText(value)));
        return value.currencyValue();
    });
}

bool BasketItem::IsCommitted()
{
    return property(u"IsCommitted"_s, [](const EngineBasketItem& item) { return Variant(item.IsCommitted()); })
        .boolValue();
}

bool BasketItem::IsRemovable()
{
    return property(u"IsRemovable"_s, [](const EngineBasketItem& item) { return Variant(item.IsRemovable()); })
        .boolValue();
}

bool BasketItem::IsSuspendable()
{
    return property(u"IsSuspendable"_s, [](const EngineBasketItem& item) { return Variant(item.IsSuspendable()); })
        .boolValue();
}

bool BasketItem::IsTender()
{
    return property(u"IsTender"_s, [](const EngineBasketItem& item) { return Variant(item.IsTender()); })
        .boolValue();
}

qint32 BasketItem::OriginalID()
{
    return property(u"OriginalID"_s, [](const EngineBasketItem& item) { return Variant(item.OriginalID()); })
        .longValue();
}

qint64 BasketItem::CostPrice()
{
    return property(u"CostPrice"_s,
                    [](const EngineBasketItem& item) { return Variant::fromCurrency(item.CostPrice()); })
        .currencyValue();
}

std::shared_ptr<Vouchers> BasketItem::Vouchers()
{
    ProcedureFrame frame(u"Property (Get) Vouchers"_s, kClassName);
    return frame.run(classExit<BasketItem>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"Vouchers"_s));
        if (m_objVouchers)
            return m_objVouchers;
        if (!m_engineItem || !m_engineItem->item())
            return std::shared_ptr<::Vouchers>();
        // The collection holds the engine item, not this wrapper, which the Sovereign may let
        // go of first; the hold ends with the engine.
        m_objVouchers = std::make_shared<::Vouchers>(
            [hold = m_engineItem](std::shared_ptr<Collection>& docList) { m_objVouchers_GetDocList(*hold, docList); });
        return m_objVouchers;
    });
}

void BasketItem::m_objVouchers_GetDocList(const EngineItemHold& hold, std::shared_ptr<Collection>& docList)
{
    if (hold.item())
        docList = hold.item()->DocumentList();
}
