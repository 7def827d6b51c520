#pragma once

#include <QString>

// The sample vouchers and their logos that the printer tests print.
inline const QString kVouchers = QStringLiteral(PCQUIBA_TEST_DATA "/vouchers");
