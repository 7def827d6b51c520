#pragma once

#include "automation/BusMember.h"
#include "platform/AutomationObject.h"

#include <QString>
#include <memory>

// The member tables of the sale objects a Sovereign gets from API: the members of the type
// library with their DISPIDs where the type library fixes them, their automation types and meanings.
class SaleObjectTables {
public:
    // The exported form of an automation object of one of these classes; none for another class.
    static std::shared_ptr<class ExportedObject> exported(const ObjectRef& object);
    // The same with no object behind it, for the interface description; none for another class.
    static std::shared_ptr<class ExportedObject> described(const QString& className);
    static QStringList classNames();

    static BusMemberTable basket(const std::shared_ptr<class Basket>& basket);
    static BusMemberTable basketItem(const std::shared_ptr<class BasketItem>& item);
    static BusMemberTable vouchers(const std::shared_ptr<class Vouchers>& vouchers);
    static BusMemberTable voucher(const std::shared_ptr<class Voucher>& voucher);
    static BusMemberTable userInterface(const std::shared_ptr<class UserInterface>& ui);
    static BusMemberTable settings(const std::shared_ptr<class Settings>& settings);
    static BusMemberTable eftpos(const std::shared_ptr<class Eftpos>& eftpos);
};
