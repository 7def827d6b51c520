#include "automation/SaleObjectTables.h"

#include "api/Basket.h"
#include "api/BasketItem.h"
#include "api/Eftpos.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"
#include "automation/BusMembers.h"
#include "automation/TableObject.h"
#include "platform/Collection.h"

#include <functional>

namespace {

// A property with no DISPID fixed by the type library.
constexpr std::optional<qint32> kNoDispId = std::nullopt;
constexpr qint32 kDefaultMember = 0;
constexpr qint32 kEnumerator = -4;

Variant out(bool value) { return Variant(value); }
Variant out(qint16 value) { return Variant(value); }
Variant out(qint32 value) { return Variant(value); }
// Every 64-bit amount of these classes is Currency.
Variant out(qint64 value) { return Variant::fromCurrency(value); }
Variant out(const QString& value) { return Variant(value); }
template <class T>
Variant out(const std::shared_ptr<T>& object)
{
    return Variant(ObjectRef(object));
}
// An enumerator is the objects in order: an array of object paths.
Variant out(const std::shared_ptr<Collection>& collection)
{
    return collection ? Variant(collection->items()) : Variant(VariantArray {});
}

template <class T>
T in(const Variant& value);
template <>
bool in<bool>(const Variant& value) { return value.toBool(); }
template <>
qint16 in<qint16>(const Variant& value) { return value.toInteger(); }
template <>
qint32 in<qint32>(const Variant& value) { return value.toLong(); }
template <>
QString in<QString>(const Variant& value) { return value.toString(); }

template <class O, class R>
BusMember get(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*read)())
{
    return BusMembers::property(name, dispId, [object, read] { return out((object.get()->*read)()); });
}

template <class O, class R, class A>
BusMember getLet(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*read)(),
                 void (O::*write)(A))
{
    using Value = std::remove_cvref_t<A>;
    return BusMembers::property(
        name, dispId, [object, read] { return out((object.get()->*read)()); },
        [object, write](const Variant& value) { (object.get()->*write)(in<Value>(value)); });
}

template <class O, class R>
BusMember call(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*method)())
{
    if constexpr (std::is_void_v<R>)
        return BusMembers::procedure(name, dispId, {}, [object, method](BusCall&) { (object.get()->*method)(); });
    else
        return BusMembers::function(name, dispId, {}, [object, method](BusCall&) { return out((object.get()->*method)()); });
}

std::optional<bool> optionalFlag(const BusCall& call, qsizetype index)
{
    if (call.isOmitted(index))
        return std::nullopt;
    return call.arguments.at(index).toBool();
}

template <class T>
Variant orEmpty(const std::optional<T>& value)
{
    return value ? Variant(*value) : Variant();
}

// A method with one optional in/out text argument (Show(StartAt), Interrupt(Reason), ...).
template <class O>
BusMember withOptionalText(const std::shared_ptr<O>& object, const QString& name, const QString& argument,
                           void (O::*method)(std::optional<QString>&))
{
    return BusMembers::procedure(name, kNoDispId, {{argument, true, true}}, [object, method](BusCall& call) {
        std::optional<QString> value = call.optionalText(0);
        (object.get()->*method)(value);
        call.arguments[0] = orEmpty(value);
    });
}

// Printing with the optional in/out Sync flag.
template <class O>
BusMember withSync(const std::shared_ptr<O>& object, const QString& name, void (O::*method)(std::optional<bool>&))
{
    return BusMembers::procedure(name, kNoDispId, {{QStringLiteral("Sync"), true, true}}, [object, method](BusCall& call) {
        std::optional<bool> sync = optionalFlag(call, 0);
        (object.get()->*method)(sync);
        call.arguments[0] = orEmpty(sync);
    });
}

// A Basket or BasketItem method over an optional Index.
template <class R>
BusMember byIndex(const std::shared_ptr<Basket>& basket, const QString& name, qint32 dispId,
                  R (Basket::*method)(const std::optional<QString>&))
{
    return BusMembers::function(name, dispId, {{QStringLiteral("Index"), true}}, [basket, method](BusCall& call) {
        return out((basket.get()->*method)(call.optionalText(0)));
    });
}

template <class T>
std::shared_ptr<ExportedObject> tableObject(const ObjectRef& object, BusMemberTable (*table)(const std::shared_ptr<T>&))
{
    const std::shared_ptr<T> typed = std::static_pointer_cast<T>(object);
    return std::make_shared<TableObject>(object->className(), object, table(typed));
}

} // namespace

std::shared_ptr<ExportedObject> SaleObjectTables::exported(const ObjectRef& object)
{
    const QString name = object->className();
    if (name == Basket::kClassName)
        return tableObject<Basket>(object, &basket);
    if (name == BasketItem::kClassName)
        return tableObject<BasketItem>(object, &basketItem);
    if (name == Vouchers::kClassName)
        return tableObject<Vouchers>(object, &vouchers);
    if (name == Voucher::kClassName)
        return tableObject<Voucher>(object, &voucher);
    if (name == UserInterface::kClassName)
        return tableObject<UserInterface>(object, &userInterface);
    if (name == Settings::kClassName)
        return tableObject<Settings>(object, &settings);
    if (name == Eftpos::kClassName)
        return tableObject<Eftpos>(object, &eftpos);
    if (name == Journal::kClassName)
        return std::make_shared<TableObject>(name, object, BusMemberTable {});
    return nullptr;
}

QStringList SaleObjectTables::classNames()
{
    return {Basket::kClassName,        BasketItem::kClassName, Vouchers::kClassName, Voucher::kClassName,
            UserInterface::kClassName, Settings::kClassName,   Eftpos::kClassName,   Journal::kClassName};
}

BusMemberTable SaleObjectTables::basket(const std::shared_ptr<Basket>& basket)
{
    return {
        get(basket, QStringLiteral("AllowedPaymentMethod"), 0x68030008, &Basket::AllowedPaymentMethod),
        getLet(basket, QStringLiteral("ActualPaymentMethod"), 0x68030007, &Basket::ActualPaymentMethod,
               &Basket::setActualPaymentMethod),
        get(basket, QStringLiteral("Count"), 0x68030006, &Basket::Count),
        get(basket, QStringLiteral("IsEmpty"), 0x68030005, &Basket::IsEmpty),
        get(basket, QStringLiteral("IsFull"), 0x68030004, &Basket::IsFull),
        get(basket, QStringLiteral("IsAntiSocial"), 0x68030003, &Basket::IsAntiSocial),
        get(basket, QStringLiteral("IsCommitted"), 0x68030002, &Basket::IsCommitted),
        get(basket, QStringLiteral("TotalPrice"), 0x68030001, &Basket::TotalPrice),
        get(basket, QStringLiteral("TotalTender"), 0x68030000, &Basket::TotalTender),
        BusMembers::procedure(QStringLiteral("AddItem"), 0x60030009,
                              {{QStringLiteral("ProductID")}, {QStringLiteral("Data"), false, true}}, [basket](BusCall& call) {
                                  VariantArray data = call.arguments.at(1).isArray() ? call.arguments.at(1).arrayValue()
                                                                                     : VariantArray {};
                                  basket->AddItem(call.arguments.at(0).toString(), data);
                                  call.arguments[1] = Variant(data);
                              }),
        byIndex(basket, QStringLiteral("Exists"), 0x6003000A, &Basket::Exists),
        byIndex(basket, QStringLiteral("Item"), kDefaultMember, &Basket::Item),
        byIndex(basket, QStringLiteral("Remove"), 0x6003000C, &Basket::Remove),
        call(basket, QStringLiteral("Commit"), 0x6003000D, &Basket::Commit),
        call(basket, QStringLiteral("Clear"), 0x6003000E, &Basket::Clear),
        call(basket, QStringLiteral("SuspendBasket"), 0x6003000F, &Basket::SuspendBasket),
        BusMembers::function(QStringLiteral("ResumeBasket"), 0x60030010,
                             {{QStringLiteral("handle")}, {QStringLiteral("ReferenceID"), true, true}}, [basket](BusCall& call) {
                                 std::optional<QString> reference = call.optionalText(1);
                                 const bool resumed = basket->ResumeBasket(call.arguments.at(0).toString(), reference);
                                 call.arguments[1] = orEmpty(reference);
                                 return Variant(resumed);
                             }),
        call(basket, QStringLiteral("NewEnum"), kEnumerator, &Basket::NewEnum),
        call(basket, QStringLiteral("Vouchers"), 0x60030012, &Basket::Vouchers),
    };
}

BusMemberTable SaleObjectTables::basketItem(const std::shared_ptr<BasketItem>& item)
{
    BusMemberTable members {
        get(item, QStringLiteral("ID"), 0x6803000C, &BasketItem::ID),
        get(item, QStringLiteral("ProductID"), 0x6803000B, &BasketItem::ProductID),
        get(item, QStringLiteral("Description"), 0x6803000A, &BasketItem::Description),
        get(item, QStringLiteral("POSOperatorID"), 0x68030009, &BasketItem::POSOperatorID),
        get(item, QStringLiteral("POSReferenceID"), 0x68030008, &BasketItem::POSReferenceID),
        get(item, QStringLiteral("Quantity"), 0x68030007, &BasketItem::Quantity),
        get(item, QStringLiteral("Value"), 0x68030006, &BasketItem::Value),
    };
    members.append(BusMembers::indexedProperty(QStringLiteral("Tax"), 0x68030005, {{QStringLiteral("TaxCode")}}, [item](BusCall& call) {
        return out(item->Tax(call.arguments.at(0).toString()));
    }));
    members.append({
        get(item, QStringLiteral("IsCommitted"), 0x68030004, &BasketItem::IsCommitted),
        get(item, QStringLiteral("IsRemovable"), 0x68030003, &BasketItem::IsRemovable),
        get(item, QStringLiteral("IsSuspendable"), 0x68030002, &BasketItem::IsSuspendable),
        get(item, QStringLiteral("IsTender"), 0x68030001, &BasketItem::IsTender),
        get(item, QStringLiteral("OriginalID"), 0x68030000, &BasketItem::OriginalID),
        call(item, QStringLiteral("Vouchers"), 0x6003000E, &BasketItem::Vouchers),
        get(item, QStringLiteral("CostPrice"), 0x6803000F, &BasketItem::CostPrice),
    });
    return members;
}

BusMemberTable SaleObjectTables::vouchers(const std::shared_ptr<Vouchers>& vouchers)
{
    return {
        get(vouchers, QStringLiteral("Count"), kNoDispId, &Vouchers::Count),
        BusMembers::function(QStringLiteral("Item"), kDefaultMember, {{QStringLiteral("Index")}},
                             [vouchers](BusCall& call) { return out(vouchers->Item(call.arguments.at(0).toInteger())); }),
        withSync(vouchers, QStringLiteral("PrintAll"), &Vouchers::PrintAll),
        withSync(vouchers, QStringLiteral("RaisePrintEvents"), &Vouchers::RaisePrintEvents),
        call(vouchers, QStringLiteral("NewEnum"), kEnumerator, &Vouchers::NewEnum),
    };
}

BusMemberTable SaleObjectTables::voucher(const std::shared_ptr<Voucher>& voucher)
{
    return {
        get(voucher, QStringLiteral("FileName"), kNoDispId, &Voucher::FileName),
        get(voucher, QStringLiteral("XML"), kNoDispId, &Voucher::XML),
        withSync(voucher, QStringLiteral("PrintVoucher"), &Voucher::PrintVoucher),
        withSync(voucher, QStringLiteral("RaisePrintEvents"), &Voucher::RaisePrintEvents),
        call(voucher, QStringLiteral("zWritePrintedTimestamp"), kNoDispId, &Voucher::zWritePrintedTimestamp),
    };
}

BusMemberTable SaleObjectTables::userInterface(const std::shared_ptr<UserInterface>& ui)
{
    return {
        get(ui, QStringLiteral("hwnd"), kNoDispId, &UserInterface::hwnd),
        getLet(ui, QStringLiteral("Left"), kNoDispId, &UserInterface::Left, &UserInterface::setLeft),
        getLet(ui, QStringLiteral("Top"), kNoDispId, &UserInterface::Top, &UserInterface::setTop),
        getLet(ui, QStringLiteral("Width"), kNoDispId, &UserInterface::Width, &UserInterface::setWidth),
        getLet(ui, QStringLiteral("Height"), kNoDispId, &UserInterface::Height, &UserInterface::setHeight),
        getLet(ui, QStringLiteral("TopMost"), kNoDispId, &UserInterface::TopMost, &UserInterface::setTopMost),
        withOptionalText(ui, QStringLiteral("Show"), QStringLiteral("StartAt"), &UserInterface::Show),
        withOptionalText(ui, QStringLiteral("Interrupt"), QStringLiteral("Reason"), &UserInterface::Interrupt),
        call(ui, QStringLiteral("Hide"), kNoDispId, &UserInterface::Hide),
    };
}

BusMemberTable SaleObjectTables::settings(const std::shared_ptr<Settings>& settings)
{
    const BusArgument scope {QStringLiteral("Scope")};
    const BusArgument name {QStringLiteral("Name")};
    return {
        BusMembers::function(QStringLiteral("GetSetting"), kNoDispId, {scope, name, {QStringLiteral("Default"), true}},
                             [settings](BusCall& call) {
                                 std::optional<Variant> defaultValue;
                                 if (!call.isOmitted(2))
                                     defaultValue = call.arguments.at(2);
                                 return settings->GetSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString(),
                                                             defaultValue);
                             }),
        BusMembers::procedure(QStringLiteral("PutSetting"), kNoDispId, {scope, name, {QStringLiteral("Value")}}, [settings](BusCall& call) {
            settings->PutSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString(), call.arguments.at(2));
        }),
        BusMembers::procedure(QStringLiteral("EraseSetting"), kNoDispId, {scope, name}, [settings](BusCall& call) {
            settings->EraseSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString());
        }),
        withOptionalText(settings, QStringLiteral("ShowConfig"), QStringLiteral("Panel"), &Settings::ShowConfig),
    };
}

BusMemberTable SaleObjectTables::eftpos(const std::shared_ptr<Eftpos>& eftpos)
{
    return {
        getLet(eftpos, QStringLiteral("AccountType"), 0x68030007, &Eftpos::AccountType, &Eftpos::setAccountType),
        getLet(eftpos, QStringLiteral("Caid"), 0x68030006, &Eftpos::Caid, &Eftpos::setCaid),
        getLet(eftpos, QStringLiteral("MerchantID"), 0x68030005, &Eftpos::MerchantID, &Eftpos::setMerchantID),
        getLet(eftpos, QStringLiteral("Catid"), 0x68030004, &Eftpos::Catid, &Eftpos::setCatid),
        getLet(eftpos, QStringLiteral("TerminalID"), 0x68030003, &Eftpos::TerminalID, &Eftpos::setTerminalID),
        getLet(eftpos, QStringLiteral("CardName"), 0x68030002, &Eftpos::CardName, &Eftpos::setCardName),
        getLet(eftpos, QStringLiteral("Pan"), 0x68030001, &Eftpos::Pan, &Eftpos::setPan),
        getLet(eftpos, QStringLiteral("Stan"), 0x68030000, &Eftpos::Stan, &Eftpos::setStan),
    };
}
