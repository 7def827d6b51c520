#pragma once

#include <QString>

// One product of the catalogue and the data a sale of it needs.
struct CatalogueProduct {
    enum class Kind { Pin, TopUp, GiftCard };

    QString id;
    QString name;
    QString supplierId;
    QString supplierName;
    qint64 price = 0; // ten-thousandths
    Kind kind = Kind::Pin;
    QString instructions; // printed under the PIN

    bool needsData() const { return kind != Kind::Pin; }
};
