#pragma once

#include "AssignmentState.h"
#include "CustomerScreen.h"
#include "Catalogue.h"
#include "PinIssuer.h"
#include "SimulatedBasket.h"
#include "SimulatedEngineGUI.h"
#include "SimulatedSettings.h"
#include "VoucherWriter.h"
#include "controller/RulesEngine.h"

#include <QPointer>
#include <functional>
#include <optional>

class ScriptedCustomer;

// A rules engine that sells from a catalogue file against a simulated host, so that pcQUIBA
// sells vouchers out of the box. Its events reach the sink from the event loop, after the call
// that caused them has returned, as a real engine's would; none reaches a sink that was removed
// or an engine that was released. See docs/simulated-engine.md.
class SimulatedRulesEngine : public RulesEngine, public std::enable_shared_from_this<SimulatedRulesEngine> {
public:
    // Device bits of ActiveDevices, GetData, StartDevice and StopDevice.
    static constexpr qint32 kKeyboard = 1;
    static constexpr qint32 kBarcodeReader = 2;
    static constexpr qint32 kCardReader = 4;

    SimulatedRulesEngine();
    ~SimulatedRulesEngine() override;

    QString className() const override { return QStringLiteral("RulesEngine"); }

    void setEventSink(RulesEngineEvents* sink) override { m_sink = sink; }

    void InjectDeviceData(const QString& data, qint32 device) override;
    qint32 ActiveDevices() const override;
    bool AssignRequired() const override { return !m_assignment.isAssigned(); }
    bool IsBusy() const override { return m_busy; }
    void Initialise(bool kioskMode) override;

    bool TrainingMode() const override { return m_trainingMode; }
    void setTrainingMode(bool value) override { m_trainingMode = value; }
    QString SovereignName() const override { return m_sovereignName; }
    void setSovereignName(const QString& value) override { m_sovereignName = value; }
    QString SovereignVersion() const override { return m_sovereignVersion; }
    void setSovereignVersion(const QString& value) override { m_sovereignVersion = value; }
    QString POSDeviceID() const override { return m_posDeviceID; }
    void setPOSDeviceID(const QString& value) override { m_posDeviceID = value; }
    QString POSOperatorID() const override { return m_posOperatorID; }
    void setPOSOperatorID(const QString& value) override { m_posOperatorID = value; }
    QString POSReferenceID() const override { return m_posReferenceID; }
    void setPOSReferenceID(const QString& value) override { m_posReferenceID = value; }

    void ShowGUI(const QString& startAt) override;
    std::shared_ptr<EngineGUI> GUI() const override { return m_gui; }
    void HideGUI(bool interrupt, const QString& reason) override;

    bool Assign1(QString& message, const ObjectRef& collection, const QString& unused, const QString& hardwareID,
                 const QString& assignCode1, const QString& assignCode2, bool& force) override;
    Variant AddItem(const QString& productID, const VariantArray& data) override;
    bool SimpleProduct(const QString& productID) override;
    Variant RemoveItem(const Variant& index) override;
    Variant Commit() override;
    void ClearBasket() override;
    std::shared_ptr<EngineBasket> Basket() const override { return m_basket; }
    bool Assign3(QString& message, const QString& unused) override;
    QString ProductSupplier(const QString& productID) override;
    bool Assign4(QString& message, const ObjectRef& collection, const VariantArray& arguments) override;

    // The kiosk window, made on first show; nullptr before.
    CustomerScreen* screen() const { return m_screen; }
    ScriptedCustomer* scriptedCustomer() const { return m_script.get(); }
    const Catalogue& catalogue() const { return m_catalogue; }

private:
    struct DataRequest {
        CatalogueProduct product;
        qint32 device;
        int attempts;
    };

    // Runs the action from the event loop after `milliseconds`, if the engine still exists then.
    void later(int milliseconds, std::function<void(SimulatedRulesEngine&)> action);
    RulesEngineEvents* sink() const { return m_sink; }

    // The sale in progress starts open and empty; a cancel, a time-out or a clear replaces it.
    void openNewBasket();
    SimulatedBasket& ensureBasket();
    void startAdding(const QString& productID, const QString& given);
    void requestData(const QString& errorMessage);
    void offerData(const QString& data);
    void cancelDataRequest(const QString& message);
    void finishAdding(const CatalogueProduct& product, const QString& data);
    void removeItem(const std::shared_ptr<SimulatedBasketItem>& item);
    bool startCommit(bool fromScreen);
    void completeCommit(bool fromScreen);
    VoucherWriter voucherWriter() const;
    // Writes the voucher of every PIN the host recorded without one (a sale that met a full or
    // read-only disk), so that a paid PIN is never lost.
    void writeOwedVouchers();
    void customerCancelled();
    void surrender(qint32 reason, const QString& message);

    void makeScreen();
    void loadScript();
    void refreshScreen();
    void noteActivity();
    void checkoutTimedOut(quint64 activity);

    // Whether the data fits the product; the text of the mismatch when it does not.
    static QString dataProblem(const CatalogueProduct& product, const QString& data);
    static QString normalisedData(const CatalogueProduct& product, const QString& data);

    SimulatedSettings m_settings;
    Catalogue m_catalogue;
    AssignmentState m_assignment;
    PinIssuer m_pins;
    std::shared_ptr<SimulatedBasket> m_basket;
    std::shared_ptr<SimulatedEngineGUI> m_gui;
    QPointer<CustomerScreen> m_screen;
    std::unique_ptr<ScriptedCustomer> m_script;
    bool m_scriptRead = false;
    std::optional<DataRequest> m_request;
    RulesEngineEvents* m_sink = nullptr;
    bool m_kioskMode = false;
    bool m_visible = false;
    bool m_busy = false;
    quint64 m_activity = 0;

    bool m_trainingMode = false;
    QString m_sovereignName;
    QString m_sovereignVersion;
    QString m_posDeviceID;
    QString m_posOperatorID;
    QString m_posReferenceID;
};
