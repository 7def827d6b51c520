#include "api/SaleObjects.h"

#include "api/BasketItem.h"
#include "api/Voucher.h"
#include "controller/frmController.h"

void SaleObjects::install()
{
    frmController::setSaleObjectFactories(&BasketItem::wrap, &Voucher::create);
}
