#pragma once

#include "components/ReceiptSettings.h"

#include <QString>

// The sample vouchers and their logos that the printer tests print.
inline const QString kVouchers = QStringLiteral(PCQUIBA_TEST_DATA "/vouchers");

// An ESC/POS printer's settings for the sample vouchers, with the data folder given.
inline ReceiptSettings escPosSettings(const QString& dataPath)
{
    ReceiptSettings settings;
    settings.type = QStringLiteral("escpos");
    settings.logoPath = kVouchers + QStringLiteral("/logos");
    settings.dataPath = dataPath;
    return settings;
}
