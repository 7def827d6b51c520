#pragma once

#include <QString>

// Whether the log may hold what a customer trusted to the kiosk: voucher text (PINs), device
// data (phone numbers, card tracks) and card details. Start-up sets it from
// GENERAL/log_private_data (a missing key counts as True, so the log lines stay as they are);
// with False such a text is logged as "[N characters]".
class PrivateData {
public:
    static bool logged();
    static void setLogged(bool logged);

    // The text as a log line may show it.
    static QString shown(const QString& text);
};
