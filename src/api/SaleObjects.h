#pragma once

// Plugs the sale objects into the controller: its ItemAdded and ItemRemoved events wrap the
// engine's item in a new BasketItem, and VoucherAvailable makes a Voucher for the file. Start-up
// (or the first API object) installs them once; until then the controller raises none of the
// three events.
class SaleObjects {
public:
    static void install();
};
