#include "SimulatedRulesEngine.h"

#include "CustomerScreen.h"
#include "Money.h"
#include "ScriptedCustomer.h"
#include "SimulatedLog.h"
#include "VariantText.h"
#include "VoucherWriter.h"
#include "api/SurrenderReason.h"
#include "platform/Clock.h"
#include "platform/DateValue.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTimer>

namespace {

constexpr int kMaxDataAttempts = 3;

QString digitsOf(const QString& text)
{
    QString digits;
    for (const QChar character : text) {
        if (character >= u'0' && character <= u'9')
            digits += character;
    }
    return digits;
}

// The card number of a swiped track (";6010...=2912?" or "%B6010...^NAME^...?") or of typed digits.
QString cardNumberOf(const QString& track)
{
    QString text = track.trimmed();
    const qsizetype separator = text.indexOf(QRegularExpression(QStringLiteral("[=^]")));
    if (separator >= 0)
        text.truncate(separator);
    static const QRegularExpression sentinel(QStringLiteral("^[;%]?B?"));
    text.remove(sentinel);
    text.remove(u'?');
    text.remove(u' ');
    return text;
}

} // namespace

SimulatedRulesEngine::SimulatedRulesEngine()
    : m_settings(SimulatedSettings::read())
    , m_catalogue(Catalogue::load(m_settings.cataloguePath))
    , m_assignment(QDir(m_settings.stateFolder()).filePath(QStringLiteral("assignment.ini")))
    , m_pins(QDir(m_settings.stateFolder()).filePath(QStringLiteral("issued-pins.txt")))
    , m_gui(std::make_shared<SimulatedEngineGUI>(m_settings.window, m_settings.topMost))
{
}

SimulatedRulesEngine::~SimulatedRulesEngine()
{
    m_script.reset();
    // The window may be the sender of the click that ended the engine: it goes from the loop.
    if (m_screen) {
        m_screen->hide();
        m_screen->deleteLater();
    }
}

void SimulatedRulesEngine::later(int milliseconds, std::function<void(SimulatedRulesEngine&)> action)
{
    QTimer::singleShot(milliseconds, [engine = weak_from_this(), action = std::move(action)] {
        // Held for the whole action, so a handler that releases the engine does not pull it away
        // from under the running code.
        if (const auto self = engine.lock())
            action(*self);
    });
}

void SimulatedRulesEngine::Initialise(bool kioskMode)
{
    m_kioskMode = kioskMode;
    openNewBasket();
    writeOwedVouchers();
    SimulatedLog::write(QStringLiteral("Simulated rules engine started (%1 products, %2)")
                            .arg(m_catalogue.products().size())
                            .arg(m_assignment.isAssigned() ? QStringLiteral("assigned to ") + m_assignment.account()
                                                           : QStringLiteral("assignment required")),
                        SimulatedLog::Progress);
    const qint32 timeout = (m_settings.hostTimeoutSeconds + 5) * 1000;
    later(0, [timeout](SimulatedRulesEngine& self) {
        if (self.sink())
            self.sink()->SetOLETimeout(timeout, QStringLiteral("The host is taking longer than usual. Please wait."),
                                       QStringLiteral("Vouchers & Top-ups"));
    });
}

qint32 SimulatedRulesEngine::ActiveDevices() const
{
    if (m_request)
        return m_request->device;
    return m_visible && !m_busy ? kBarcodeReader : 0;
}

void SimulatedRulesEngine::InjectDeviceData(const QString& data, qint32 device)
{
    if (m_request && (device & m_request->device)) {
        later(0, [data](SimulatedRulesEngine& self) { self.offerData(data); });
        return;
    }
    if ((device & kBarcodeReader) && m_visible && !m_busy) {
        later(0, [data](SimulatedRulesEngine& self) { self.startAdding(data.trimmed(), {}); });
        return;
    }
    SimulatedLog::write(QStringLiteral("Device data from device %1 ignored: the engine is not listening to it").arg(device),
                        SimulatedLog::Warning);
}

// --- the customer screen ---------------------------------------------------------------------

void SimulatedRulesEngine::makeScreen()
{
    if (m_screen)
        return;
    m_screen = new CustomerScreen;
    m_screen->setCatalogue(m_catalogue);
    m_gui->attach(m_screen, m_kioskMode);
    // Every touch is handled from the event loop, after the click has finished, and only while
    // the engine exists.
    const auto onScreen = [this](auto signal, auto handler) {
        QObject::connect(m_screen, signal, m_screen, [engine = weak_from_this(), handler](auto... values) {
            const auto self = engine.lock();
            if (!self)
                return;
            self->noteActivity();
            self->later(0, [handler, values...](SimulatedRulesEngine& target) { handler(target, values...); });
        });
    };
    onScreen(&CustomerScreen::productChosen,
             [](SimulatedRulesEngine& self, const QString& id) { self.startAdding(id, {}); });
    onScreen(&CustomerScreen::removeRequested, [](SimulatedRulesEngine& self, qint32 id) {
        if (self.m_basket && !self.m_busy)
            self.removeItem(self.m_basket->find(Variant(id)));
    });
    onScreen(&CustomerScreen::dataEntered, [](SimulatedRulesEngine& self, const QString& data) {
        if (self.m_request)
            self.offerData(data);
    });
    onScreen(&CustomerScreen::dataCancelled, [](SimulatedRulesEngine& self) {
        if (self.m_request)
            self.cancelDataRequest(QStringLiteral("Cancelled by the customer"));
    });
    onScreen(&CustomerScreen::cardSwiped, [](SimulatedRulesEngine& self, const QString& track) {
        if (self.m_request && (self.m_request->device & kCardReader))
            self.offerData(track);
    });
    onScreen(&CustomerScreen::payPressed, [](SimulatedRulesEngine& self) { self.startCommit(true); });
    onScreen(&CustomerScreen::cancelPressed, [](SimulatedRulesEngine& self) { self.customerCancelled(); });
}

void SimulatedRulesEngine::loadScript()
{
    // Read afresh at each showing, so that a script put into the INI file after the engine
    // started (by an operator, or a Sovereign through Settings) is followed.
    const SimulatedSettings now = SimulatedSettings::read();
    if (m_scriptRead && now.script == m_settings.script && now.scriptStepMilliseconds == m_settings.scriptStepMilliseconds)
        return;
    m_scriptRead = true;
    m_settings.script = now.script;
    m_settings.scriptStepMilliseconds = now.scriptStepMilliseconds;
    m_script.reset();
    QString error;
    const QList<ScriptedCustomer::Step> steps = ScriptedCustomer::parse(m_settings.script, error);
    if (!error.isEmpty())
        SimulatedLog::write(QStringLiteral("Scripted customer ignored: ") + error, SimulatedLog::Error);
    if (!steps.isEmpty())
        m_script = std::make_unique<ScriptedCustomer>(m_screen, steps, m_settings.scriptStepMilliseconds);
}

void SimulatedRulesEngine::refreshScreen()
{
    if (!m_screen)
        return;
    QList<CustomerScreen::BasketLine> lines;
    if (m_basket) {
        for (const auto& item : m_basket->items())
            lines.append({item->ID(), item->descriptionText(), item->Value(), item->IsRemovable()});
    }
    const bool canPay = m_basket && m_basket->Count() > 0 && !m_basket->IsCommitted() && !m_request;
    m_screen->setBasket(lines, m_basket ? m_basket->TotalPrice() : 0, canPay, m_basket && m_basket->IsCommitted());
    m_screen->setInputEnabled(!m_busy);
    if (m_busy) {
        m_screen->showMessage(QStringLiteral("Please wait"), QStringLiteral("Getting your vouchers from the host..."));
    } else if (m_request) {
        // The keypad page is put up by requestData with its error text.
    } else {
        m_screen->showProducts();
    }
}

void SimulatedRulesEngine::ShowGUI(const QString& startAt)
{
    if (AssignRequired()) {
        later(0, [](SimulatedRulesEngine& self) {
            self.surrender(SurrenderError, QStringLiteral("This terminal is not assigned"));
        });
        return;
    }
    makeScreen();
    loadScript();
    ensureBasket();
    m_visible = true;
    refreshScreen();
    m_gui->show();
    noteActivity();
    if (m_script)
        m_script->start();
    if (!startAt.trimmed().isEmpty() && m_catalogue.find(startAt.trimmed()))
        later(0, [product = startAt.trimmed()](SimulatedRulesEngine& self) { self.startAdding(product, {}); });
}

void SimulatedRulesEngine::HideGUI(bool interrupt, const QString& reason)
{
    if (interrupt && m_busy) {
        later(0, [](SimulatedRulesEngine& self) {
            if (self.sink())
                self.sink()->RefuseInterrupt();
        });
        return;
    }
    const bool wasVisible = m_visible;
    m_visible = false;
    if (m_script)
        m_script->stop();
    m_gui->hide();
    if (interrupt && wasVisible) {
        later(0, [reason](SimulatedRulesEngine& self) {
            if (self.sink())
                self.sink()->Surrender(SurrenderInterrupt, reason);
        });
    }
}

void SimulatedRulesEngine::surrender(qint32 reason, const QString& message)
{
    m_visible = false;
    if (m_script)
        m_script->stop();
    m_gui->hide();
    if (sink())
        sink()->Surrender(reason, message);
}

void SimulatedRulesEngine::noteActivity()
{
    const quint64 activity = ++m_activity;
    later(m_settings.checkoutTimeoutSeconds * 1000,
          [activity](SimulatedRulesEngine& self) { self.checkoutTimedOut(activity); });
}

void SimulatedRulesEngine::checkoutTimedOut(quint64 activity)
{
    if (activity != m_activity || !m_visible)
        return;
    if (m_busy) {
        noteActivity();
        return;
    }
    SimulatedLog::write(QStringLiteral("The customer did nothing for %1 seconds").arg(m_settings.checkoutTimeoutSeconds),
                        SimulatedLog::Progress);
    if (m_request)
        cancelDataRequest(QStringLiteral("Timed out"));
    if (m_basket && !m_basket->IsCommitted())
        openNewBasket();
    surrender(SurrenderTimeout, QStringLiteral("The customer did not finish in time"));
}

void SimulatedRulesEngine::customerCancelled()
{
    if (m_busy)
        return;
    if (m_request)
        cancelDataRequest(QStringLiteral("Cancelled by the customer"));
    if (m_basket && !m_basket->IsCommitted())
        openNewBasket();
    surrender(SurrenderUserCancelled, QStringLiteral("Cancelled by the customer"));
}

// --- assignment ------------------------------------------------------------------------------

bool SimulatedRulesEngine::Assign1(QString& message, const ObjectRef&, const QString&, const QString& hardwareID,
                                   const QString& assignCode1, const QString& assignCode2, bool& force)
{
    const bool assigned = m_assignment.assign(hardwareID, assignCode1, assignCode2, force, message);
    // Force is used up by a successful assignment.
    if (assigned)
        force = false;
    return assigned;
}

bool SimulatedRulesEngine::Assign3(QString& message, const QString&)
{
    QString hardwareId = m_settings.hardwareId;
    if (hardwareId.isEmpty())
        hardwareId = QSysInfo::machineHostName();
    return m_assignment.assignOwn(hardwareId, m_settings.assignAnswer, message);
}

bool SimulatedRulesEngine::Assign4(QString& message, const ObjectRef&, const VariantArray& arguments)
{
    return m_assignment.assignArguments(arguments, message);
}

// --- products and the basket -----------------------------------------------------------------

bool SimulatedRulesEngine::SimpleProduct(const QString& productID)
{
    const CatalogueProduct* product = m_catalogue.find(productID);
    return product && !product->needsData();
}

QString SimulatedRulesEngine::ProductSupplier(const QString& productID)
{
    const CatalogueProduct* product = m_catalogue.find(productID);
    return product ? product->supplierName : QString();
}

void SimulatedRulesEngine::openNewBasket()
{
    m_basket = std::make_shared<SimulatedBasket>(m_settings.maxItems, m_settings.maxValue);
}

SimulatedBasket& SimulatedRulesEngine::ensureBasket()
{
    if (!m_basket)
        openNewBasket();
    return *m_basket;
}

Variant SimulatedRulesEngine::AddItem(const QString& productID, const VariantArray& data)
{
    const QString given = data.isEmpty() ? QString() : VariantText::of(data.first());
    later(0, [productID, given](SimulatedRulesEngine& self) { self.startAdding(productID, given); });
    return Variant(true);
}

void SimulatedRulesEngine::startAdding(const QString& productID, const QString& given)
{
    const auto fail = [&](const QString& message) {
        if (sink())
            sink()->AddItemFailed(productID, message);
    };
    if (AssignRequired())
        return fail(QStringLiteral("This terminal is not assigned"));
    if (m_busy)
        return fail(QStringLiteral("Please wait, the host is busy"));
    if (m_request)
        return fail(QStringLiteral("Another product is waiting for its details"));
    const CatalogueProduct* product = m_catalogue.find(productID);
    if (!product)
        return fail(QStringLiteral("Product not Found"));
    if (!ensureBasket().accepts(product->price))
        return fail(m_basket->IsCommitted() ? QStringLiteral("The basket is already paid")
                                            : QStringLiteral("The basket is full"));
    if (!product->needsData())
        return finishAdding(*product, {});

    const qint32 device = product->kind == CatalogueProduct::Kind::TopUp ? kKeyboard : kCardReader;
    m_request = DataRequest{*product, device, 0};
    if (sink())
        sink()->StartDevice(device);
    if (!given.isEmpty())
        offerData(given);
    else
        requestData({});
}

void SimulatedRulesEngine::requestData(const QString& errorMessage)
{
    if (!m_request)
        return;
    const DataRequest request = *m_request;
    const bool phone = request.product.kind == CatalogueProduct::Kind::TopUp;
    const QString name = phone ? QStringLiteral("Phone number") : QStringLiteral("Gift card");
    if (m_screen) {
        m_screen->askForData(phone ? QStringLiteral("Enter the phone number to top up")
                                   : QStringLiteral("Swipe the gift card"),
                             errorMessage,
                             phone ? request.product.name
                                   : QStringLiteral("Swipe the card through the reader, or type its 16-digit number"));
        refreshScreen();
    }
    Variant data;
    bool cancel = false;
    if (sink())
        sink()->GetData(name, phone ? QStringLiteral("PHONE") : QStringLiteral("CARD"), request.device, errorMessage,
                        data, cancel);
    // The Sovereign answered inside the event, or will inject the data (or the customer types it).
    if (!m_request)
        return;
    if (cancel)
        return cancelDataRequest(QStringLiteral("Cancelled"));
    if (!VariantText::of(data).isEmpty())
        offerData(VariantText::of(data));
}

void SimulatedRulesEngine::offerData(const QString& data)
{
    if (!m_request)
        return;
    const QString problem = dataProblem(m_request->product, data);
    if (problem.isEmpty()) {
        const DataRequest request = *m_request;
        m_request.reset();
        if (sink())
            sink()->StopDevice(request.device);
        return finishAdding(request.product, normalisedData(request.product, data));
    }
    ++m_request->attempts;
    if (sink())
        sink()->DataMismatch(1, Variant(data), problem);
    if (m_request && m_request->attempts >= kMaxDataAttempts)
        return cancelDataRequest(QStringLiteral("Too many attempts: ") + problem);
    requestData(problem);
}

void SimulatedRulesEngine::cancelDataRequest(const QString& message)
{
    if (!m_request)
        return;
    const DataRequest request = *m_request;
    m_request.reset();
    refreshScreen();
    if (sink()) {
        sink()->StopDevice(request.device);
        sink()->AddItemFailed(request.product.id, message);
    }
}

QString SimulatedRulesEngine::dataProblem(const CatalogueProduct& product, const QString& data)
{
    if (product.kind == CatalogueProduct::Kind::TopUp) {
        const QString text = QString(data).remove(u' ');
        if (text.isEmpty() || digitsOf(text) != text || text.size() < 8 || text.size() > 15)
            return QStringLiteral("A phone number has 8 to 15 digits");
        return {};
    }
    const QString card = cardNumberOf(data);
    if (card.size() != 16 || digitsOf(card) != card)
        return QStringLiteral("The card could not be read, please swipe it again");
    return {};
}

QString SimulatedRulesEngine::normalisedData(const CatalogueProduct& product, const QString& data)
{
    return product.kind == CatalogueProduct::Kind::TopUp ? QString(data).remove(u' ') : cardNumberOf(data);
}

void SimulatedRulesEngine::finishAdding(const CatalogueProduct& product, const QString& data)
{
    SimulatedBasket& basket = ensureBasket();
    auto item = std::make_shared<SimulatedBasketItem>(basket.nextId(), product, data, m_posOperatorID, m_posReferenceID);
    basket.add(item);
    const auto keptBasket = m_basket;
    bool cancel = false;
    std::shared_ptr<EngineBasketItem> passed = item;
    if (sink())
        sink()->ItemAdded(passed, cancel);
    if (cancel && keptBasket)
        keptBasket->remove(item);
    refreshScreen();
}

Variant SimulatedRulesEngine::RemoveItem(const Variant& index)
{
    const auto item = m_basket && !m_busy ? m_basket->find(index) : nullptr;
    if (!item || !item->IsRemovable())
        return Variant(false);
    m_basket->remove(item);
    refreshScreen();
    later(0, [item](SimulatedRulesEngine& self) {
        std::shared_ptr<EngineBasketItem> passed = item;
        if (self.sink())
            self.sink()->ItemRemoved(passed);
    });
    return Variant(true);
}

void SimulatedRulesEngine::removeItem(const std::shared_ptr<SimulatedBasketItem>& item)
{
    if (item)
        RemoveItem(Variant(item->ID()));
}

void SimulatedRulesEngine::ClearBasket()
{
    if (m_request) {
        const qint32 device = m_request->device;
        m_request.reset();
        later(0, [device](SimulatedRulesEngine& self) {
            if (self.sink())
                self.sink()->StopDevice(device);
        });
    }
    if (!m_busy)
        openNewBasket();
    refreshScreen();
}

// --- the commit: the simulated host issues the PINs ------------------------------------------

Variant SimulatedRulesEngine::Commit()
{
    return Variant(startCommit(false));
}

bool SimulatedRulesEngine::startCommit(bool fromScreen)
{
    if (AssignRequired() || m_busy || m_request || !m_basket || m_basket->Count() == 0 || m_basket->IsCommitted())
        return false;
    m_busy = true;
    const QDateTime until = Clock::now().addSecs(m_settings.hostTimeoutSeconds);
    m_basket->setBusyUntil(DateValue::fromDateTime(until));
    refreshScreen();
    later(m_settings.hostDelayMilliseconds, [fromScreen](SimulatedRulesEngine& self) { self.completeCommit(fromScreen); });
    return true;
}

VoucherWriter SimulatedRulesEngine::voucherWriter() const
{
    return VoucherWriter(m_settings.voucherFolder(), m_settings.compressVouchers, m_settings.compressedExtension);
}

void SimulatedRulesEngine::writeOwedVouchers()
{
    const VoucherWriter writer = voucherWriter();
    for (const PinIssuer::Owed& owed : m_pins.owed()) {
        const std::optional<VoucherRecord> record = VoucherRecord::fromJson(owed.details);
        if (!record)
            continue;
        if (!writer.exists(owed.pin)) {
            if (writer.write(*record, owed.pin).fileName.isEmpty())
                continue;
            SimulatedLog::write(QStringLiteral("Voucher %1 of a paid PIN written at start").arg(owed.pin.serial),
                                SimulatedLog::Progress);
        }
        m_pins.markDelivered(owed.pin.serial);
    }
}

void SimulatedRulesEngine::completeCommit(bool fromScreen)
{
    const auto basket = m_basket;
    m_busy = false;
    if (!basket)
        return;
    basket->setBusyUntil(0.0);
    // The host records every PIN with its voucher's details first: a PIN it hands out is paid
    // for and never lost, whatever happens to the voucher files.
    const QDateTime now = Clock::now();
    QList<VoucherRecord> records;
    QList<QByteArray> details;
    for (const auto& item : basket->items()) {
        records.append({item->product(), item->data(), m_assignment.account(), m_posDeviceID, m_posReferenceID,
                        m_trainingMode, now});
        details.append(records.last().toJson());
    }
    const auto pins = m_pins.issue(details);
    if (!pins) {
        refreshScreen();
        surrender(SurrenderError, QStringLiteral("The vouchers could not be issued: ") + m_pins.failure());
        return;
    }
    for (qsizetype index = 0; index < pins->size(); ++index)
        basket->items().at(index)->commit(pins->at(index), {});
    basket->markCommitted();
    SimulatedLog::write(QStringLiteral("Basket committed: %1 vouchers, total %2")
                            .arg(pins->size())
                            .arg(Money::text(basket->TotalPrice())),
                        SimulatedLog::Progress);
    // Only documents that are on the disk whole are announced, and only when all of them are.
    const VoucherWriter writer = voucherWriter();
    QStringList documents;
    for (qsizetype index = 0; index < pins->size(); ++index) {
        const VoucherWriter::Written written = writer.write(records.at(index), pins->at(index));
        if (written.fileName.isEmpty()) {
            refreshScreen();
            surrender(SurrenderError, QStringLiteral("The voucher %1 could not be written: %2")
                                          .arg(pins->at(index).serial, written.failure));
            return;
        }
        basket->items().at(index)->commit(pins->at(index), written.fileName);
        m_pins.markDelivered(pins->at(index).serial);
        documents.append(written.fileName);
    }
    refreshScreen();
    if (m_screen)
        m_screen->showMessage(QStringLiteral("Thank you"), QStringLiteral("Please take your vouchers from the printer."));
    for (const QString& document : documents) {
        if (sink())
            sink()->VoucherAvailable(document);
    }
    if (sink())
        sink()->BasketCommitted(qint16(documents.size()));
    if (fromScreen)
        surrender(SurrenderPaymentComplete, QStringLiteral("Payment complete"));
}
