#pragma once

#include "platform/Variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class BasketItem;
class Collection;
class ProcedureFrame;
class Vouchers;

// The sale in progress as the Sovereign sees it: a view over the engine's basket, read afresh
// on every call. Each member checks the engine's state in its own order before it forwards the
// request; AddItem is carried out later by the controller. Made with std::make_shared, so that
// its Vouchers can ask it for the documents.
class Basket : public AutomationObject, public std::enable_shared_from_this<Basket> {
public:
    static inline const QString kClassName = QStringLiteral("Basket");

    QString className() const override;

    qint32 AllowedPaymentMethod();
    qint32 ActualPaymentMethod();
    void setActualPaymentMethod(qint32 value);
    qint16 Count();
    bool IsEmpty();
    bool IsFull();
    bool IsAntiSocial();
    bool IsCommitted();
    // Currency values in ten-thousandths.
    qint64 TotalPrice();
    qint64 TotalTender();

    // Parks the product and its data for the controller, which adds the item after this call
    // has returned; the outcome arrives as ItemAdded or AddItemFailed.
    void AddItem(const QString& productID, VariantArray& data);
    bool Exists(const std::optional<QString>& index = std::nullopt);
    // A new wrapper over the engine's item on every call.
    std::shared_ptr<BasketItem> Item(const std::optional<QString>& index = std::nullopt);
    bool Remove(const std::optional<QString>& index = std::nullopt);
    bool Commit();
    void Clear();
    // Suspension and resumption are not carried out through these two: after their checks
    // they answer False.
    bool SuspendBasket();
    bool ResumeBasket(const QString& handle, std::optional<QString>& referenceID);
    // A new collection of BasketItem wrappers, in the engine's order.
    std::shared_ptr<Collection> NewEnum();
    // The basket's voucher documents, the same object on every call.
    std::shared_ptr<class Vouchers> Vouchers();

private:
    // A property read: frame, GET line, the Ready and Basket present checks, the value read from
    // the engine's basket, result line.
    Variant property(const QString& name, const std::function<Variant()>& read);
    // The index as the engine takes it: trimmed, and Empty (an omitted argument) when blank.
    static Variant engineIndex(const std::optional<QString>& index);
    static QString indexText(const std::optional<QString>& index);
    // Answers the GetDocList event of the basket's Vouchers; never raises.
    void m_objVouchers_GetDocList(std::shared_ptr<Collection>& docList) const;

    std::shared_ptr<class Vouchers> m_objVouchers;
};
