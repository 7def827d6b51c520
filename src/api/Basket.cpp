#include "api/Basket.h"

#include "api/BasketItem.h"
#include "api/ClassExit.h"
#include "api/SaleGuards.h"
#include "api/Vouchers.h"
#include "services/ErrorExit.h"
#include "services/ProcedureFrame.h"
#include "services/Trace.h"
#include "controller/frmController.h"
#include "platform/Blanks.h"
#include "platform/Collection.h"
#include "platform/Conversions.h"
#include "platform/Dictionary.h"
#include "support/modTouchTools.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

using Guard = SaleGuards::Guard;

// An element of AddItem's data in its call line: numbers plainly, anything else quoted.
QString dataText(const Variant& element)
{
    if (Conversions::isNumeric(element))
        return Trace::valueText(element);
    return modTouchTools::QuoteText(Variant(Trace::valueText(element)), u"\""_s);
}

QString notFound()
{
    return Trace::resultLine(u"Not Found!"_s);
}

} // namespace

QString Basket::className() const
{
    return kClassName;
}

// ---- properties ------------------------------------------------------------------------------

Variant Basket::property(const QString& name, const std::function<Variant()>& read)
{
    ProcedureFrame frame(u"Property (Get) "_s + name, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::getLine(kClassName, name));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        const Variant value = read();
        Trace::write(Trace::resultLine(Trace::valueText(value)));
        return value;
    });
}

qint32 Basket::AllowedPaymentMethod()
{
    return property(u"AllowedPaymentMethod"_s, [] { return Variant(SaleGuards::basket()->AllowedPaymentMethod()); })
        .longValue();
}

qint32 Basket::ActualPaymentMethod()
{
    return property(u"ActualPaymentMethod"_s, [] { return Variant(SaleGuards::basket()->ActualPaymentMethod()); })
        .longValue();
}

void Basket::setActualPaymentMethod(qint32 value)
{
    ProcedureFrame frame(u"Property (Let) ActualPaymentMethod"_s, kClassName);
    frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::setLine(kClassName, u"ActualPaymentMethod"_s, QString::number(value)));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        SaleGuards::basket()->setActualPaymentMethod(value);
    });
}

qint16 Basket::Count()
{
    return property(u"Count"_s, [] { return Variant(SaleGuards::basket()->Count()); }).integerValue();
}

bool Basket::IsEmpty()
{
    return property(u"IsEmpty"_s, [] { return Variant(SaleGuards::basket()->Count() == 0); }).boolValue();
}

bool Basket::IsFull()
{
    return property(u"IsFull"_s, [] { return Variant(SaleGuards::basket()->IsFull()); }).boolValue();
}

bool Basket::IsAntiSocial()
{
    return property(u"IsAntiSocial"_s, [] { return Variant(SaleGuards::basket()->IsAntiSocial()); }).boolValue();
}

bool Basket::IsCommitted()
{
    return property(u"IsCommitted"_s, [] { return Variant(SaleGuards::basket()->IsCommitted()); }).boolValue();
}

qint64 Basket::TotalPrice()
{
    return property(u"TotalPrice"_s, [] { return Variant::fromCurrency(SaleGuards::basket()->TotalPrice()); })
        .currencyValue();
}

qint64 Basket::TotalTender()
{
    return property(u"TotalTender"_s, [] { return Variant::fromCurrency(SaleGuards::basket()->TotalTender()); })
        .currencyValue();
}

// ---- items -----------------------------------------------------------------------------------

void Basket::AddItem(const QString& productID, VariantArray& data)
{
    ProcedureFrame frame(u"Sub AddItem"_s, kClassName);
    frame.run(classExit<Basket>(), [&] {
        QStringList arguments{productID};
        for (const Variant& element : modTouchTools::FlattenArray(data))
            arguments.append(dataText(element));
        Trace::write(Trace::callLine(kClassName, u"AddItem"_s, arguments));

        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::Assigned},
                             {SaleGuards::Idle, u"Cannot Add Item"_s},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::NotCommitted, u"Cannot AddItem"_s},
                             {SaleGuards::NotFull, u"Cannot AddItem"_s}});
        const QString product = Blanks::trim(productID);
        if (product.isEmpty())
            frame.raise(quibaInvalidArgument, kClassName, {Variant(u"ProductID"_s)});

        // A second AddItem before the controller got to the first replaces its arguments.
        frmController& controller = frmController::instance();
        controller.Args().setItem(u"ProductID"_s, Variant(product));
        controller.Args().setItem(u"Data"_s, Variant(data));
        controller.PostClickWithArguments(controller.cmdAddItem(), {u"ProductID"_s, u"Data"_s});
    });
}

Variant Basket::engineIndex(const std::optional<QString>& index)
{
    const QString trimmed = indexText(index);
    return trimmed.isEmpty() ? Variant() : Variant(trimmed);
}

QString Basket::indexText(const std::optional<QString>& index)
{
    return Blanks::trim(index.value_or(QString()));
}

bool Basket::Exists(const std::optional<QString>& index)
{
    ProcedureFrame frame(u"Function Exists"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Exists"_s, {indexText(index)}));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        const bool exists = SaleGuards::basket()->Exists(engineIndex(index));
        Trace::write(Trace::resultLine(Trace::valueText(Variant(exists))));
        return exists;
    });
}

std::shared_ptr<BasketItem> Basket::Item(const std::optional<QString>& index)
{
    ProcedureFrame frame(u"Function Item"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Item"_s, {indexText(index)}));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        if (!Exists(index)) {
            Trace::write(notFound());
            frame.raise(quibaItemNotFound, kClassName);
        }
        std::shared_ptr<BasketItem> item = BasketItem::wrap(SaleGuards::basket()->Item(engineIndex(index)));
        Trace::write(Trace::resultLine(item->Description()));
        return item;
    });
}

bool Basket::Remove(const std::optional<QString>& index)
{
    ProcedureFrame frame(u"Function Remove"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Remove"_s, {indexText(index)}));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::Idle, u"Cannot Remove Item"_s}});
        if (!Exists(index)) {
            Trace::write(notFound());
            frame.raise(quibaItemNotFound, kClassName);
        }
        const Variant answer = SaleGuards::requiredEngine()->RemoveItem(engineIndex(index));
        Trace::write(Trace::resultLine(Trace::valueText(answer)));
        return answer.toBool();
    });
}

std::shared_ptr<Collection> Basket::NewEnum()
{
    ProcedureFrame frame(u"Function NewEnum"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        auto items = std::make_shared<Collection>();
        for (const std::shared_ptr<EngineBasketItem>& engineItem : SaleGuards::basket()->Items())
            items->add(Variant(ObjectRef(BasketItem::wrap(engineItem))));
        return items;
    });
}

// ---- the sale --------------------------------------------------------------------------------

bool Basket::Commit()
{
    ProcedureFrame frame(u"Function Commit"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Commit"_s));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::Idle, u"Cannot Commit"_s},
                             {SaleGuards::NotEmpty, u"Cannot Commit"_s}});
        if (SaleGuards::basket()->IsCommitted())
            return false;
        const Variant answer = SaleGuards::requiredEngine()->Commit();
        Trace::write(Trace::resultLine(Trace::valueText(answer)));
        return answer.toBool();
    });
}

void Basket::Clear()
{
    ProcedureFrame frame(u"Sub Clear"_s, kClassName);
    frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Clear"_s));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready}, {SaleGuards::BasketPresent}, {SaleGuards::Idle, u"Cannot Commit"_s}});
        SaleGuards::requiredEngine()->ClearBasket();
    });
}

bool Basket::SuspendBasket()
{
    ProcedureFrame frame(u"Function SuspendBasket"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"SuspendBasket"_s));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::Idle},
                             {SaleGuards::NotEmpty}});
        Trace::write(Trace::resultLine(Trace::valueText(Variant(false))));
        return false;
    });
}

bool Basket::ResumeBasket(const QString& handle, std::optional<QString>&)
{
    ProcedureFrame frame(u"Function ResumeBasket"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"ResumeBasket"_s, {handle}));
        SaleGuards::require(frame, kClassName,
                            {{SaleGuards::Ready},
                             {SaleGuards::BasketPresent},
                             {SaleGuards::Idle},
                             {SaleGuards::NotCommitted}});
        Trace::write(Trace::resultLine(Trace::valueText(Variant(false))));
        return false;
    });
}

// ---- documents -------------------------------------------------------------------------------

std::shared_ptr<Vouchers> Basket::Vouchers()
{
    ProcedureFrame frame(u"Function Vouchers"_s, kClassName);
    return frame.run(classExit<Basket>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Vouchers"_s));
        SaleGuards::require(frame, kClassName, {{SaleGuards::Ready}, {SaleGuards::BasketPresent}});
        if (!m_objVouchers) {
            m_objVouchers = std::make_shared<::Vouchers>(
                [owner = weak_from_this()](std::shared_ptr<Collection>& docList) {
                    if (const auto basket = owner.lock())
                        basket->m_objVouchers_GetDocList(docList);
                });
        }
        return m_objVouchers;
    });
}

void Basket::m_objVouchers_GetDocList(std::shared_ptr<Collection>& docList) const
{
    try {
        if (const auto basket = SaleGuards::basketInProgress())
            docList = basket->DocumentList();
    } catch (const AutomationError&) {
        // An engine that cannot answer leaves the list untouched.
    }
}
