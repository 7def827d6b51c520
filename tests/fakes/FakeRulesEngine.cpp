#include "fakes/FakeRulesEngine.h"

#include "services/Trace.h"
#include "platform/ComponentRegistry.h"
#include "platform/RuntimeErrors.h"

namespace {

std::weak_ptr<FakeRulesEngine> g_last;

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A value as a call's argument; an array as its elements in braces, e.g. {3 a {1 2}}.
QString argumentText(const Variant& value)
{
    if (!value.isArray())
        return Trace::valueText(value);
    QStringList elements;
    for (const Variant& element : value.arrayValue())
        elements.append(argumentText(element));
    return u'{' + elements.join(u' ') + u'}';
}

} // namespace

void FakeRulesEngine::install()
{
    ComponentRegistry::registerFactory(RulesEngine::kClassId, [] {
        auto engine = std::make_shared<FakeRulesEngine>();
        g_last = engine;
        return engine;
    });
}

void FakeRulesEngine::uninstall()
{
    ComponentRegistry::unregisterFactory(RulesEngine::kClassId);
}

std::shared_ptr<FakeRulesEngine> FakeRulesEngine::last()
{
    return g_last.lock();
}

FakeRulesEngine::FakeRulesEngine() = default;

void FakeRulesEngine::record(const QString& operation, const QStringList& arguments) const
{
    auto* self = const_cast<FakeRulesEngine*>(this);
    self->calls.append(operation + u'(' + arguments.join(QStringLiteral(", ")) + u')');
    const auto failure = failures.constFind(operation);
    if (failure != failures.constEnd())
        throw *failure;
}

FakeEngineBasket& FakeRulesEngine::ensureBasket()
{
    if (!basket)
        basket = std::make_shared<FakeEngineBasket>();
    return *basket;
}

void FakeRulesEngine::InjectDeviceData(const QString& data, qint32 device)
{
    record(QStringLiteral("InjectDeviceData"), {data, QString::number(device)});
    injectedData.append({data, device});
}

qint32 FakeRulesEngine::ActiveDevices() const
{
    record(QStringLiteral("ActiveDevices"));
    return activeDevices;
}

bool FakeRulesEngine::AssignRequired() const
{
    record(QStringLiteral("AssignRequired"));
    return assignRequired;
}

bool FakeRulesEngine::IsBusy() const
{
    record(QStringLiteral("IsBusy"));
    return busy;
}

void FakeRulesEngine::Initialise(bool kiosk)
{
    record(QStringLiteral("Initialise"), {boolText(kiosk)});
    initialised = true;
    kioskMode = kiosk;
}

void FakeRulesEngine::setTrainingMode(bool value)
{
    record(QStringLiteral("TrainingMode"), {boolText(value)});
    trainingMode = value;
}

void FakeRulesEngine::setSovereignName(const QString& value)
{
    record(QStringLiteral("SovereignName"), {value});
    sovereignName = value;
}

void FakeRulesEngine::setSovereignVersion(const QString& value)
{
    record(QStringLiteral("SovereignVersion"), {value});
    sovereignVersion = value;
}

void FakeRulesEngine::setPOSDeviceID(const QString& value)
{
    record(QStringLiteral("POSDeviceID"), {value});
    posDeviceID = value;
}

void FakeRulesEngine::setPOSOperatorID(const QString& value)
{
    record(QStringLiteral("POSOperatorID"), {value});
    posOperatorID = value;
}

void FakeRulesEngine::setPOSReferenceID(const QString& value)
{
    record(QStringLiteral("POSReferenceID"), {value});
    posReferenceID = value;
}

void FakeRulesEngine::ShowGUI(const QString& startAt)
{
    record(QStringLiteral("ShowGUI"), {startAt});
    guiVisible = true;
}

void FakeRulesEngine::HideGUI(bool interrupt, const QString& reason)
{
    record(QStringLiteral("HideGUI"), {boolText(interrupt), reason});
    guiVisible = false;
}

bool FakeRulesEngine::Assign1(QString& message, const ObjectRef&, const QString&, const QString& hardwareID,
                              const QString& assignCode1, const QString& assignCode2, bool& force)
{
    record(QStringLiteral("Assign1"), {hardwareID, assignCode1, assignCode2, boolText(force)});
    message = assignMessage;
    if (assignResult)
        assignRequired = false;
    return assignResult;
}

Variant FakeRulesEngine::AddItem(const QString& productID, const VariantArray& data)
{
    if (data.size() != 1 || !(data.first().isArray() || data.first().isEmpty()))
        RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
    lastAddItemData = data.first().isArray() ? data.first().arrayValue() : VariantArray{};
    record(QStringLiteral("AddItem"), {productID, argumentText(data.first())});
    if (!products.contains(productID)) {
        if (m_sink)
            m_sink->AddItemFailed(productID, QStringLiteral("Product not Found"));
        return Variant(false);
    }
    auto item = ensureBasket().addItem(productID);
    raiseItemAdded(item);
    return Variant(true);
}

bool FakeRulesEngine::SimpleProduct(const QString& productID)
{
    record(QStringLiteral("SimpleProduct"), {productID});
    return products.contains(productID);
}

Variant FakeRulesEngine::RemoveItem(const Variant& index)
{
    record(QStringLiteral("RemoveItem"), {index.toString()});
    auto item = basket ? basket->find(index) : nullptr;
    if (!item)
        return Variant(false);
    basket->items.removeOne(item);
    raiseItemRemoved(item);
    return Variant(true);
}

Variant FakeRulesEngine::Commit()
{
    record(QStringLiteral("Commit"));
    FakeEngineBasket& sale = ensureBasket();
    sale.isCommitted = true;
    if (m_sink)
        m_sink->BasketCommitted(sale.Count());
    return Variant(true);
}

void FakeRulesEngine::ClearBasket()
{
    record(QStringLiteral("ClearBasket"));
    basket.reset();
}

std::shared_ptr<EngineBasket> FakeRulesEngine::Basket() const
{
    record(QStringLiteral("Basket"));
    return basket;
}

bool FakeRulesEngine::Assign3(QString& message, const QString&)
{
    record(QStringLiteral("Assign3"));
    message = assignMessage;
    if (assignResult)
        assignRequired = false;
    return assignResult;
}

QString FakeRulesEngine::ProductSupplier(const QString& productID)
{
    record(QStringLiteral("ProductSupplier"), {productID});
    return suppliers.value(productID);
}

bool FakeRulesEngine::Assign4(QString& message, const ObjectRef&, const VariantArray& arguments)
{
    record(QStringLiteral("Assign4"), {QString::number(arguments.size())});
    lastAssignArguments = arguments;
    message = assignMessage;
    if (assignResult)
        assignRequired = false;
    return assignResult;
}

FakeRulesEngine::GetDataAnswer FakeRulesEngine::raiseGetData(const QString& name, const QString& dataType,
                                                             qint32 device, const QString& errorMessage,
                                                             const Variant& data)
{
    GetDataAnswer answer{data, false};
    if (m_sink)
        m_sink->GetData(name, dataType, device, errorMessage, answer.data, answer.cancel);
    return answer;
}

bool FakeRulesEngine::raiseItemAdded(const std::shared_ptr<FakeEngineBasketItem>& item)
{
    bool cancel = false;
    std::shared_ptr<EngineBasketItem> passed = item;
    const Lifetime::Watch alive = m_lifetime.watch();
    if (m_sink)
        m_sink->ItemAdded(passed, cancel);
    if (alive.expired())
        return cancel;
    if (cancel && basket)
        basket->items.removeOne(item);
    return cancel;
}

void FakeRulesEngine::raiseItemRemoved(const std::shared_ptr<FakeEngineBasketItem>& item)
{
    std::shared_ptr<EngineBasketItem> passed = item;
    if (m_sink)
        m_sink->ItemRemoved(passed);
}
