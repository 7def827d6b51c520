#include "automation/SaleObjectTables.h"

#include "api/Basket.h"
#include "api/BasketItem.h"
#include "api/Eftpos.h"
#include "api/Journal.h"
#include "api/Settings.h"
#include "api/UserInterface.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"
#include "automation/AutomationType.h"
#include "automation/BusMembers.h"
#include "automation/TableObject.h"
#include "platform/Collection.h"

#include <functional>

using namespace Qt::StringLiterals;

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
BusMember get(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*read)(),
              const QString& meaning)
{
    return BusMembers::property(name, dispId, AutomationType::of<R>(), meaning, [object, read] { return out((object.get()->*read)()); });
}

template <class O, class R, class A>
BusMember getLet(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*read)(),
                 void (O::*write)(A), const QString& meaning)
{
    using Value = std::remove_cvref_t<A>;
    return BusMembers::property(
        name, dispId, AutomationType::of<R>(), meaning, [object, read] { return out((object.get()->*read)()); },
        [object, write](const Variant& value) { (object.get()->*write)(in<Value>(value)); });
}

template <class O, class R>
BusMember call(const std::shared_ptr<O>& object, const QString& name, std::optional<qint32> dispId, R (O::*method)(),
               const QString& meaning)
{
    if constexpr (std::is_void_v<R>)
        return BusMembers::procedure(name, dispId, {}, meaning, [object, method](BusCall&) { (object.get()->*method)(); });
    else
        return BusMembers::function(name, dispId, {}, AutomationType::of<R>(), meaning,
                                    [object, method](BusCall&) { return out((object.get()->*method)()); });
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
BusMember withOptionalText(const std::shared_ptr<O>& object, const QString& name, const BusArgument& argument,
                           void (O::*method)(std::optional<QString>&), const QString& meaning)
{
    return BusMembers::procedure(name, kNoDispId, {argument}, meaning, [object, method](BusCall& call) {
        std::optional<QString> value = call.optionalText(0);
        (object.get()->*method)(value);
        call.arguments[0] = orEmpty(value);
    });
}

BusArgument optionalTextArgument(const QString& name, const QString& meaning)
{
    return BusMembers::argument(name, AutomationType::string(), meaning, BusMembers::Optional | BusMembers::ByReference);
}

// Printing with the optional in/out Sync flag.
template <class O>
BusMember withSync(const std::shared_ptr<O>& object, const QString& name, void (O::*method)(std::optional<bool>&),
                   const QString& meaning)
{
    const BusArgument sync = BusMembers::argument(u"Sync"_s, AutomationType::boolean(),
                                                  u"True prints now; False (the default) queues the job for the event loop."_s,
                                                  BusMembers::Optional | BusMembers::ByReference);
    return BusMembers::procedure(name, kNoDispId, {sync}, meaning, [object, method](BusCall& call) {
        std::optional<bool> flag = optionalFlag(call, 0);
        (object.get()->*method)(flag);
        call.arguments[0] = orEmpty(flag);
    });
}

// A Basket method over an optional Index.
template <class R>
BusMember byIndex(const std::shared_ptr<Basket>& basket, const QString& name, qint32 dispId,
                  R (Basket::*method)(const std::optional<QString>&), const QString& meaning)
{
    const BusArgument index = BusMembers::argument(u"Index"_s, AutomationType::string(),
                                                   u"Which item, as the engine knows it; left off, the engine's choice."_s,
                                                   BusMembers::Optional);
    return BusMembers::function(name, dispId, {index}, AutomationType::of<R>(), meaning, [basket, method](BusCall& call) {
        return out((basket.get()->*method)(call.optionalText(0)));
    });
}

// The member table of one class, made for an object of it (none for the description alone).
using TableMaker = BusMemberTable (*)(const ObjectRef&);

template <class T, BusMemberTable (*table)(const std::shared_ptr<T>&)>
BusMemberTable typedTable(const ObjectRef& object)
{
    return table(std::static_pointer_cast<T>(object));
}

BusMemberTable journalTable(const ObjectRef&)
{
    return {};
}

const std::pair<const QString*, TableMaker> kSaleTables[] = {
    {&Basket::kClassName, &typedTable<Basket, &SaleObjectTables::basket>},
    {&BasketItem::kClassName, &typedTable<BasketItem, &SaleObjectTables::basketItem>},
    {&Vouchers::kClassName, &typedTable<Vouchers, &SaleObjectTables::vouchers>},
    {&Voucher::kClassName, &typedTable<Voucher, &SaleObjectTables::voucher>},
    {&UserInterface::kClassName, &typedTable<UserInterface, &SaleObjectTables::userInterface>},
    {&Settings::kClassName, &typedTable<Settings, &SaleObjectTables::settings>},
    {&Eftpos::kClassName, &typedTable<Eftpos, &SaleObjectTables::eftpos>},
    {&Journal::kClassName, &journalTable},
};

TableMaker tableOf(const QString& className)
{
    for (const auto& [name, maker] : kSaleTables) {
        if (*name == className)
            return maker;
    }
    return nullptr;
}

} // namespace

std::shared_ptr<ExportedObject> SaleObjectTables::exported(const ObjectRef& object)
{
    const QString name = object->className();
    const TableMaker table = tableOf(name);
    return table ? std::make_shared<TableObject>(name, object, table(object)) : nullptr;
}

std::shared_ptr<ExportedObject> SaleObjectTables::described(const QString& className)
{
    const TableMaker table = tableOf(className);
    return table ? std::make_shared<TableObject>(className, nullptr, table(nullptr)) : nullptr;
}

QStringList SaleObjectTables::classNames()
{
    QStringList names;
    for (const auto& [name, maker] : kSaleTables)
        names.append(*name);
    return names;
}

BusMemberTable SaleObjectTables::basket(const std::shared_ptr<Basket>& basket)
{
    return {
        get(basket, u"AllowedPaymentMethod"_s, 0x68030008, &Basket::AllowedPaymentMethod,
            u"The payment methods the engine allows for this sale, as the engine numbers them."_s),
        getLet(basket, u"ActualPaymentMethod"_s, 0x68030007, &Basket::ActualPaymentMethod, &Basket::setActualPaymentMethod,
               u"The payment method used for this sale, as the engine numbers it."_s),
        get(basket, u"Count"_s, 0x68030006, &Basket::Count, u"The number of items in the basket."_s),
        get(basket, u"IsEmpty"_s, 0x68030005, &Basket::IsEmpty, u"True when the basket holds no item."_s),
        get(basket, u"IsFull"_s, 0x68030004, &Basket::IsFull, u"True when the engine takes no further item."_s),
        get(basket, u"IsAntiSocial"_s, 0x68030003, &Basket::IsAntiSocial, u"The engine's anti-social flag, passed through."_s),
        get(basket, u"IsCommitted"_s, 0x68030002, &Basket::IsCommitted, u"True once the sale is committed."_s),
        get(basket, u"TotalPrice"_s, 0x68030001, &Basket::TotalPrice, u"The price of every item together."_s),
        get(basket, u"TotalTender"_s, 0x68030000, &Basket::TotalTender, u"The amount tendered for the sale."_s),
        BusMembers::procedure(
            u"AddItem"_s, 0x60030009,
            {BusMembers::argument(u"ProductID"_s, AutomationType::string(), u"The product to add."_s),
             BusMembers::argument(u"Data"_s, AutomationType::variantArray(), u"Data the product needs, in the engine's order."_s,
                                  BusMembers::ByReference)},
            u"Asks the engine to add a product after the call returns; ItemAdded or AddItemFailed tells the outcome."_s,
            [basket](BusCall& call) {
                VariantArray data = call.arguments.at(1).isArray() ? call.arguments.at(1).arrayValue() : VariantArray {};
                basket->AddItem(call.arguments.at(0).toString(), data);
                call.arguments[1] = Variant(data);
            }),
        byIndex(basket, u"Exists"_s, 0x6003000A, &Basket::Exists, u"True when the engine has the item."_s),
        byIndex(basket, u"Item"_s, kDefaultMember, &Basket::Item, u"The item, a new object on every call (default member)."_s),
        byIndex(basket, u"Remove"_s, 0x6003000C, &Basket::Remove, u"Asks the engine to remove the item; its answer."_s),
        call(basket, u"Commit"_s, 0x6003000D, &Basket::Commit, u"Commits the sale; False when it was committed already."_s),
        call(basket, u"Clear"_s, 0x6003000E, &Basket::Clear, u"Asks the engine to empty the basket."_s),
        call(basket, u"SuspendBasket"_s, 0x6003000F, &Basket::SuspendBasket, u"Not carried out: False after the checks."_s),
        BusMembers::function(
            u"ResumeBasket"_s, 0x60030010,
            {BusMembers::argument(u"handle"_s, AutomationType::string(), u"The suspended basket's handle."_s),
             BusMembers::argument(u"ReferenceID"_s, AutomationType::string(), u"Left as it is."_s,
                                  BusMembers::Optional | BusMembers::ByReference)},
            AutomationType::boolean(), u"Not carried out: False after the checks."_s,
            [basket](BusCall& call) {
                std::optional<QString> reference = call.optionalText(1);
                const bool resumed = basket->ResumeBasket(call.arguments.at(0).toString(), reference);
                call.arguments[1] = orEmpty(reference);
                return Variant(resumed);
            }),
        call(basket, u"NewEnum"_s, kEnumerator, &Basket::NewEnum, u"Every item in the engine's order, as object paths (enumerator)."_s),
        call(basket, u"Vouchers"_s, 0x60030012, &Basket::Vouchers, u"The voucher documents of the sale, the same object every time."_s),
    };
}

BusMemberTable SaleObjectTables::basketItem(const std::shared_ptr<BasketItem>& item)
{
    BusMemberTable members {
        get(item, u"ID"_s, 0x6803000C, &BasketItem::ID, u"The engine item's identifier in decimal."_s),
        get(item, u"ProductID"_s, 0x6803000B, &BasketItem::ProductID, u"The product the item sells."_s),
        get(item, u"Description"_s, 0x6803000A, &BasketItem::Description, u"The item's description text."_s),
        get(item, u"POSOperatorID"_s, 0x68030009, &BasketItem::POSOperatorID, u"The operator the item was sold by."_s),
        get(item, u"POSReferenceID"_s, 0x68030008, &BasketItem::POSReferenceID, u"The point of sale's reference of the item."_s),
        get(item, u"Quantity"_s, 0x68030007, &BasketItem::Quantity, u"How many of the product."_s),
        get(item, u"Value"_s, 0x68030006, &BasketItem::Value, u"The item's value."_s),
    };
    members.append(BusMembers::indexedProperty(
        u"Tax"_s, 0x68030005,
        {BusMembers::argument(u"TaxCode"_s, AutomationType::string(), u"The tax code; trimmed and upper-cased first."_s)},
        AutomationType::currency(), u"The item's tax for a tax code."_s,
        [item](BusCall& call) { return out(item->Tax(call.arguments.at(0).toString())); }));
    members.append({
        get(item, u"IsCommitted"_s, 0x68030004, &BasketItem::IsCommitted, u"True once the item's sale is committed."_s),
        get(item, u"IsRemovable"_s, 0x68030003, &BasketItem::IsRemovable, u"True when the engine lets the item be removed."_s),
        get(item, u"IsSuspendable"_s, 0x68030002, &BasketItem::IsSuspendable, u"The engine's suspendable flag."_s),
        get(item, u"IsTender"_s, 0x68030001, &BasketItem::IsTender, u"True for a tender item."_s),
        get(item, u"OriginalID"_s, 0x68030000, &BasketItem::OriginalID, u"The engine's original identifier of the item."_s),
        call(item, u"Vouchers"_s, 0x6003000E, &BasketItem::Vouchers, u"The item's voucher documents, the same object every time."_s),
        get(item, u"CostPrice"_s, 0x6803000F, &BasketItem::CostPrice, u"The item's cost price."_s),
    });
    return members;
}

BusMemberTable SaleObjectTables::vouchers(const std::shared_ptr<Vouchers>& vouchers)
{
    return {
        get(vouchers, u"Count"_s, kNoDispId, &Vouchers::Count, u"The number of documents whose files exist."_s),
        BusMembers::function(u"Item"_s, kDefaultMember,
                             {BusMembers::argument(u"Index"_s, AutomationType::integer(), u"From 1 to Count."_s)},
                             Voucher::kClassName, u"One document; Nothing (the path /) outside 1 to Count."_s,
                             [vouchers](BusCall& call) { return out(vouchers->Item(call.arguments.at(0).toInteger())); }),
        withSync(vouchers, u"PrintAll"_s, &Vouchers::PrintAll, u"Prints every document on pcQUIBA's printer component."_s),
        withSync(vouchers, u"RaisePrintEvents"_s, &Vouchers::RaisePrintEvents,
                 u"Raises every document as print events to the Sovereign."_s),
        call(vouchers, u"NewEnum"_s, kEnumerator, &Vouchers::NewEnum, u"Every document in order, as object paths (enumerator)."_s),
    };
}

BusMemberTable SaleObjectTables::voucher(const std::shared_ptr<Voucher>& voucher)
{
    return {
        get(voucher, u"FileName"_s, kNoDispId, &Voucher::FileName, u"The document's full path, decompressed in place."_s),
        get(voucher, u"XML"_s, kNoDispId, &Voucher::XML, u"The document's print markup as text."_s),
        withSync(voucher, u"PrintVoucher"_s, &Voucher::PrintVoucher, u"Prints the document on pcQUIBA's printer component."_s),
        withSync(voucher, u"RaisePrintEvents"_s, &Voucher::RaisePrintEvents, u"Raises the document as print events to the Sovereign."_s),
        call(voucher, u"zWritePrintedTimestamp"_s, kNoDispId, &Voucher::zWritePrintedTimestamp,
             u"Records the time of printing in the document."_s),
    };
}

BusMemberTable SaleObjectTables::userInterface(const std::shared_ptr<UserInterface>& ui)
{
    return {
        get(ui, u"hwnd"_s, kNoDispId, &UserInterface::hwnd, u"The kiosk window's handle; 0 without an engine."_s),
        getLet(ui, u"Left"_s, kNoDispId, &UserInterface::Left, &UserInterface::setLeft, u"The kiosk window's left edge."_s),
        getLet(ui, u"Top"_s, kNoDispId, &UserInterface::Top, &UserInterface::setTop, u"The kiosk window's top edge."_s),
        getLet(ui, u"Width"_s, kNoDispId, &UserInterface::Width, &UserInterface::setWidth, u"The kiosk window's width."_s),
        getLet(ui, u"Height"_s, kNoDispId, &UserInterface::Height, &UserInterface::setHeight, u"The kiosk window's height."_s),
        getLet(ui, u"TopMost"_s, kNoDispId, &UserInterface::TopMost, &UserInterface::setTopMost,
               u"True keeps the kiosk window above the others."_s),
        withOptionalText(ui, u"Show"_s, optionalTextArgument(u"StartAt"_s, u"Where the customer starts, as the engine names it."_s),
                         &UserInterface::Show, u"Shows the customer screen; the engine hands it back with Surrender."_s),
        withOptionalText(ui, u"Interrupt"_s, optionalTextArgument(u"Reason"_s, u"Why, passed to the engine."_s), &UserInterface::Interrupt,
                         u"Asks the engine to end the customer's turn after the call returns."_s),
        call(ui, u"Hide"_s, kNoDispId, &UserInterface::Hide, u"Asks the engine to hide the customer screen after the call returns."_s),
    };
}

BusMemberTable SaleObjectTables::settings(const std::shared_ptr<Settings>& settings)
{
    const BusArgument scope = BusMembers::argument(u"Scope"_s, AutomationType::string(), u"The INI section."_s);
    const BusArgument name = BusMembers::argument(u"Name"_s, AutomationType::string(), u"The key."_s);
    return {
        BusMembers::function(
            u"GetSetting"_s, kNoDispId,
            {scope, name,
             BusMembers::argument(u"Default"_s, AutomationType::variant(), u"Read when the key is missing; else the built-in default."_s,
                                  BusMembers::Optional)},
            AutomationType::variant(), u"Reads a key: a Boolean, a Date, a Long, a Double or the text, as it reads."_s,
            [settings](BusCall& call) {
                std::optional<Variant> defaultValue;
                if (!call.isOmitted(2))
                    defaultValue = call.arguments.at(2);
                return settings->GetSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString(), defaultValue);
            }),
        BusMembers::procedure(u"PutSetting"_s, kNoDispId,
                              {scope, name, BusMembers::argument(u"Value"_s, AutomationType::variant(), u"Null erases the key."_s)},
                              u"Writes a key of the INI file by the value's type."_s,
                              [settings](BusCall& call) {
                                  settings->PutSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString(),
                                                       call.arguments.at(2));
                              }),
        BusMembers::procedure(u"EraseSetting"_s, kNoDispId, {scope, name}, u"Erases a key of the INI file."_s, [settings](BusCall& call) {
            settings->EraseSetting(call.arguments.at(0).toString(), call.arguments.at(1).toString());
        }),
        withOptionalText(settings, u"ShowConfig"_s, optionalTextArgument(u"Panel"_s, u"The panel to open on."_s), &Settings::ShowConfig,
                         u"Opens the configuration utility after the call returns."_s),
    };
}

BusMemberTable SaleObjectTables::eftpos(const std::shared_ptr<Eftpos>& eftpos)
{
    return {
        getLet(eftpos, u"AccountType"_s, 0x68030007, &Eftpos::AccountType, &Eftpos::setAccountType,
               u"The account code (CHQ, SAV, CR, DEF or the text given), kept in EFTPOS/tender."_s),
        getLet(eftpos, u"Caid"_s, 0x68030006, &Eftpos::Caid, &Eftpos::setCaid, u"The card acceptor's identifier, kept in EFTPOS/caid."_s),
        getLet(eftpos, u"MerchantID"_s, 0x68030005, &Eftpos::MerchantID, &Eftpos::setMerchantID, u"Another name for Caid."_s),
        getLet(eftpos, u"Catid"_s, 0x68030004, &Eftpos::Catid, &Eftpos::setCatid, u"The card terminal's identifier, kept in EFTPOS/catid."_s),
        getLet(eftpos, u"TerminalID"_s, 0x68030003, &Eftpos::TerminalID, &Eftpos::setTerminalID, u"Another name for Catid."_s),
        getLet(eftpos, u"CardName"_s, 0x68030002, &Eftpos::CardName, &Eftpos::setCardName,
               u"The card's name in upper case, kept in EFTPOS/card_name."_s),
        getLet(eftpos, u"Pan"_s, 0x68030001, &Eftpos::Pan, &Eftpos::setPan, u"The card number, kept in EFTPOS/pan."_s),
        getLet(eftpos, u"Stan"_s, 0x68030000, &Eftpos::Stan, &Eftpos::setStan, u"The trace number, kept in EFTPOS/stan."_s),
    };
}
