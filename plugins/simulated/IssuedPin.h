#pragma once

#include <QString>

// What the simulated host hands out for one voucher.
struct IssuedPin {
    QString pin;    // 16 digits
    QString serial; // "SIM" and 10 digits, counting up over the life of the terminal

    // The PIN in groups of four, as the voucher shows it.
    QString groupedPin() const;
};
