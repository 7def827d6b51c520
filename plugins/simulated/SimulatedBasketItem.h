#pragma once

#include "CatalogueProduct.h"
#include "IssuedPin.h"
#include "controller/EngineBasketItem.h"

#include <QStringList>
#include <optional>

// One product in the simulated basket: what was chosen, with the data it needed, and after the
// commit its PIN and voucher document.
class SimulatedBasketItem : public EngineBasketItem {
public:
    SimulatedBasketItem(qint32 id, CatalogueProduct product, QString data, QString posOperatorID,
                        QString posReferenceID);

    QString className() const override { return QStringLiteral("BasketItem"); }

    qint32 ID() const override { return m_id; }
    QString ProductID() const override { return m_product.id; }
    std::shared_ptr<EngineDescription> Description() const override;
    QString POSOperatorID() const override { return m_posOperatorID; }
    QString POSReferenceID() const override { return m_posReferenceID; }
    qint16 Quantity() const override { return 1; }
    qint64 Value() const override { return m_product.price; }
    qint64 Tax(const QString&) const override { return 0; }
    bool IsCommitted() const override { return m_pin.has_value(); }
    bool IsRemovable() const override { return !IsCommitted(); }
    bool IsSuspendable() const override { return false; }
    bool IsTender() const override { return false; }
    qint32 OriginalID() const override { return 0; }
    qint64 CostPrice() const override { return m_product.price * 95 / 100; }
    std::shared_ptr<Collection> DocumentList() const override;

    const CatalogueProduct& product() const { return m_product; }
    // The phone number or card the product needed; empty for a plain PIN.
    QString data() const { return m_data; }
    // The description: the product name, with the data's last digits when there are any.
    QString descriptionText() const;

    const std::optional<IssuedPin>& pin() const { return m_pin; }
    QString document() const { return m_document; }
    void commit(const IssuedPin& pin, const QString& document);

private:
    qint32 m_id;
    CatalogueProduct m_product;
    QString m_data;
    QString m_posOperatorID;
    QString m_posReferenceID;
    std::optional<IssuedPin> m_pin;
    QString m_document;
};
