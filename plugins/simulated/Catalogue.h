#pragma once

#include "CatalogueProduct.h"

#include <QList>
#include <QString>

// The products on sale, read from the catalogue XML file (docs/simulated-engine.md). A file
// that is missing, too big, not well-formed or breaks a rule (duplicate or missing IDs, prices
// that are negative, zero or not numbers, unknown kinds, too many products) gives an empty
// catalogue and one log line that says why: the kiosk then sells nothing rather than
// something wrong.
class Catalogue {
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    static constexpr int kMaxProducts = 500;
    static constexpr qint64 kMaxPrice = 10000 * 10000LL; // 10,000.00

    // Reads the file; logs and returns an empty catalogue when it cannot be used.
    static Catalogue load(const QString& fileName);
    // Parses catalogue text; on failure an empty catalogue and the reason in `error`.
    static Catalogue parse(const QByteArray& text, QString& error);

    const QList<CatalogueProduct>& products() const { return m_products; }
    // Supplier names in catalogue order.
    QStringList supplierNames() const;
    const CatalogueProduct* find(const QString& productId) const;
    bool isEmpty() const { return m_products.isEmpty(); }

private:
    QList<CatalogueProduct> m_products;
};
