#pragma once

#include "controller/EngineBasketItem.h"

#include <QHash>

// An engine basket item whose every property is a plain field a test sets.
class FakeEngineBasketItem : public EngineBasketItem {
public:
    QString className() const override { return QStringLiteral("FakeEngineBasketItem"); }

    qint32 ID() const override { return id; }
    QString ProductID() const override { return productID; }
    std::shared_ptr<EngineDescription> Description() const override;
    QString POSOperatorID() const override { return posOperatorID; }
    QString POSReferenceID() const override { return posReferenceID; }
    qint16 Quantity() const override { return quantity; }
    qint64 Value() const override { return value; }
    qint64 Tax(const QString& taxCode) const override { return taxes.value(taxCode); }
    bool IsCommitted() const override { return isCommitted; }
    bool IsRemovable() const override { return isRemovable; }
    bool IsSuspendable() const override { return isSuspendable; }
    bool IsTender() const override { return isTender; }
    qint32 OriginalID() const override { return originalID; }
    qint64 CostPrice() const override { return costPrice; }
    std::shared_ptr<Collection> DocumentList() const override;

    qint32 id = 1;
    QString productID;
    QString description;
    QString posOperatorID;
    QString posReferenceID;
    qint16 quantity = 1;
    qint64 value = 0;
    QHash<QString, qint64> taxes;
    bool isCommitted = false;
    bool isRemovable = true;
    bool isSuspendable = false;
    bool isTender = false;
    qint32 originalID = 0;
    qint64 costPrice = 0;
    QStringList documents;
};
