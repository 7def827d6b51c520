#pragma once

#include "controller/EngineBasket.h"
#include "fakes/FakeEngineBasketItem.h"

#include <QSet>

// An engine basket a test fills: items, flags, documents and which of them are released.
// An index is either an item's ID as text or its 1-based position; Empty selects the first item.
class FakeEngineBasket : public EngineBasket {
public:
    QString className() const override { return QStringLiteral("FakeEngineBasket"); }

    qint16 Count() const override { return qint16(items.size()); }
    bool Exists(const Variant& index) const override { return find(index) != nullptr; }
    std::shared_ptr<EngineBasketItem> Item(const Variant& index) const override;
    qint64 TotalPrice() const override;
    qint64 TotalTender() const override { return totalTender; }
    bool IsFull() const override { return isFull; }
    bool IsAntiSocial() const override { return isAntiSocial; }
    double BusyUntil() const override { return busyUntil; }
    bool DocumentReleased(const QString& fileName) const override { return releasedDocuments.contains(fileName); }
    bool IsCommitted() const override { return isCommitted; }
    qint32 AllowedPaymentMethod() const override { return allowedPaymentMethod; }
    qint32 ActualPaymentMethod() const override { return actualPaymentMethod; }
    void setActualPaymentMethod(qint32 method) override { actualPaymentMethod = method; }
    std::shared_ptr<Collection> DocumentList() const override;
    QList<std::shared_ptr<EngineBasketItem>> Items() const override { return {items.begin(), items.end()}; }

    std::shared_ptr<FakeEngineBasketItem> find(const Variant& index) const;
    // Adds an item with the given product and value and returns it for further setting.
    std::shared_ptr<FakeEngineBasketItem> addItem(const QString& productID, qint64 value = 0);

    QList<std::shared_ptr<FakeEngineBasketItem>> items;
    qint64 totalTender = 0;
    bool isFull = false;
    bool isAntiSocial = false;
    double busyUntil = 0.0;
    bool isCommitted = false;
    qint32 allowedPaymentMethod = 0;
    qint32 actualPaymentMethod = 0;
    QStringList documents;
    QSet<QString> releasedDocuments;
};
