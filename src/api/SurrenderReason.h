#pragma once

#include <QtGlobal>

// Why the engine hands the screen back to the Sovereign.
enum SurrenderReason : qint32 {
    SurrenderNormal = 0,
    SurrenderTimeout = 1,
    SurrenderUserCancelled = 2,
    SurrenderInterrupt = 3,
    SurrenderHide = 4,
    SurrenderPaymentComplete = 5,
    SurrenderPrintingComplete = 6,
    SurrenderError = 7,
    SurrenderConfigUtility = 8,
};
