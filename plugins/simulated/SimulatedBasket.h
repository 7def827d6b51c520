#pragma once

#include "SimulatedBasketItem.h"
#include "controller/EngineBasket.h"

// The sale in progress. An index is an item's ID; an omitted (Empty) index is the last item.
class SimulatedBasket : public EngineBasket {
public:
    SimulatedBasket(int maxItems, qint64 maxValue);

    QString className() const override { return QStringLiteral("Basket"); }

    qint16 Count() const override { return qint16(m_items.size()); }
    bool Exists(const Variant& index) const override { return find(index) != nullptr; }
    std::shared_ptr<EngineBasketItem> Item(const Variant& index) const override;
    qint64 TotalPrice() const override;
    qint64 TotalTender() const override { return m_committed ? TotalPrice() : 0; }
    bool IsFull() const override { return m_items.size() >= m_maxItems; }
    bool IsAntiSocial() const override { return false; }
    double BusyUntil() const override { return m_busyUntil; }
    bool DocumentReleased(const QString& fileName) const override;
    bool IsCommitted() const override { return m_committed; }
    qint32 AllowedPaymentMethod() const override { return kCash | kCard; }
    qint32 ActualPaymentMethod() const override { return m_paymentMethod; }
    void setActualPaymentMethod(qint32 method) override { m_paymentMethod = method; }
    std::shared_ptr<Collection> DocumentList() const override;
    QList<std::shared_ptr<EngineBasketItem>> Items() const override { return {m_items.begin(), m_items.end()}; }

    static constexpr qint32 kCash = 1;
    static constexpr qint32 kCard = 2;

    // Whether a product of that price still fits (count and value limits).
    bool accepts(qint64 price) const;
    const QList<std::shared_ptr<SimulatedBasketItem>>& items() const { return m_items; }
    std::shared_ptr<SimulatedBasketItem> find(const Variant& index) const;
    void add(std::shared_ptr<SimulatedBasketItem> item);
    void remove(const std::shared_ptr<SimulatedBasketItem>& item);
    qint32 nextId() const { return m_nextId; }

    // A serial date until which the host conversation runs; 0 when none runs.
    void setBusyUntil(double serialDate) { m_busyUntil = serialDate; }
    void markCommitted() { m_committed = true; }

private:
    int m_maxItems;
    qint64 m_maxValue;
    QList<std::shared_ptr<SimulatedBasketItem>> m_items;
    qint32 m_nextId = 1;
    double m_busyUntil = 0.0;
    bool m_committed = false;
    qint32 m_paymentMethod = 0;
};
