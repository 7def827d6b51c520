#pragma once

#include "controller/EngineBasket.h"
#include "controller/EngineGUI.h"
#include "controller/RulesEngineEvents.h"

// The rules engine: products, prices, the kiosk window and the basket in progress. pcQUIBA
// creates it by class name (kClassId), advises its event sink and calls Initialise first.
// Failures of any call arrive as AutomationError.
class RulesEngine : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaRules.RulesEngine");

    // The sink that receives the engine's events; nullptr disconnects it.
    virtual void setEventSink(RulesEngineEvents* sink) = 0;

    virtual void InjectDeviceData(const QString& data, qint32 device) = 0;
    virtual qint32 ActiveDevices() const = 0;
    virtual bool AssignRequired() const = 0;
    virtual bool IsBusy() const = 0;
    virtual void Initialise(bool kioskMode) = 0;

    virtual bool TrainingMode() const = 0;
    virtual void setTrainingMode(bool value) = 0;
    virtual QString SovereignName() const = 0;
    virtual void setSovereignName(const QString& value) = 0;
    virtual QString SovereignVersion() const = 0;
    virtual void setSovereignVersion(const QString& value) = 0;
    virtual QString POSDeviceID() const = 0;
    virtual void setPOSDeviceID(const QString& value) = 0;
    virtual QString POSOperatorID() const = 0;
    virtual void setPOSOperatorID(const QString& value) = 0;
    virtual QString POSReferenceID() const = 0;
    virtual void setPOSReferenceID(const QString& value) = 0;

    virtual void ShowGUI(const QString& startAt) = 0;
    virtual std::shared_ptr<EngineGUI> GUI() const = 0;
    virtual void HideGUI(bool interrupt, const QString& reason) = 0;

    virtual bool Assign1(QString& message, const ObjectRef& collection, const QString& unused,
                         const QString& hardwareID, const QString& assignCode1, const QString& assignCode2,
                         bool& force) = 0;
    virtual Variant AddItem(const QString& productID, const VariantArray& data) = 0;
    virtual bool SimpleProduct(const QString& productID) = 0;
    virtual Variant RemoveItem(const Variant& index) = 0;
    virtual Variant Commit() = 0;
    virtual void ClearBasket() = 0;
    // The sale in progress, or nullptr.
    virtual std::shared_ptr<EngineBasket> Basket() const = 0;
    virtual bool Assign3(QString& message, const QString& unused) = 0;
    virtual QString ProductSupplier(const QString& productID) = 0;
    virtual bool Assign4(QString& message, const ObjectRef& collection, const VariantArray& arguments) = 0;
};
