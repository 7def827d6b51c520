#pragma once

#include "CatalogueProduct.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// Everything a voucher document shows besides its PIN: the host keeps it with the PIN it issued,
// so that a voucher that could not be written at the sale can be written at the next start,
// even when the catalogue has changed since.
struct VoucherRecord {
    CatalogueProduct product;
    QString data; // the phone number or card the product needed; empty for a plain PIN
    QString account;
    QString posDeviceID;
    QString posReferenceID;
    bool trainingMode = false;
    QDateTime when;

    // One line of compact JSON (no line break).
    QByteArray toJson() const;
    // Nothing for text that is not such a record.
    static std::optional<VoucherRecord> fromJson(const QByteArray& json);
};
