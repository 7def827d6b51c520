#pragma once

#include "controller/RulesEngine.h"
#include "fakes/FakeEngineBasket.h"
#include "fakes/FakeEngineGUI.h"
#include "platform/AutomationError.h"
#include "platform/Lifetime.h"

#include <QHash>
#include <QStringList>
#include <optional>

// A rules engine a test scripts: its state is plain fields, every call is written to `calls`
// ("Initialise(True)", "ShowGUI()", ...), a call named in `failures` throws that error, and the
// raise* helpers fire the engine's events at the advised sink. A sink may release the engine
// inside any of its events. AddItem takes the shape the controller passes: a one-element array
// holding the Sovereign's Data array (or Empty); any other shape raises 13.
class FakeRulesEngine : public RulesEngine {
public:
    // Registers this fake under the engine's class name; every creation makes a new fake that
    // last() then returns.
    static void install();
    static void uninstall();
    static std::shared_ptr<FakeRulesEngine> last();

    FakeRulesEngine();

    QString className() const override { return QStringLiteral("FakeRulesEngine"); }

    void setEventSink(RulesEngineEvents* sink) override { m_sink = sink; }

    void InjectDeviceData(const QString& data, qint32 device) override;
    qint32 ActiveDevices() const override;
    bool AssignRequired() const override;
    bool IsBusy() const override;
    void Initialise(bool kioskMode) override;

    bool TrainingMode() const override { return trainingMode; }
    void setTrainingMode(bool value) override;
    QString SovereignName() const override { return sovereignName; }
    void setSovereignName(const QString& value) override;
    QString SovereignVersion() const override { return sovereignVersion; }
    void setSovereignVersion(const QString& value) override;
    QString POSDeviceID() const override { return posDeviceID; }
    void setPOSDeviceID(const QString& value) override;
    QString POSOperatorID() const override { return posOperatorID; }
    void setPOSOperatorID(const QString& value) override;
    QString POSReferenceID() const override { return posReferenceID; }
    void setPOSReferenceID(const QString& value) override;

    void ShowGUI(const QString& startAt) override;
    std::shared_ptr<EngineGUI> GUI() const override { return gui; }
    void HideGUI(bool interrupt, const QString& reason) override;

    bool Assign1(QString& message, const ObjectRef& collection, const QString& unused, const QString& hardwareID,
                 const QString& assignCode1, const QString& assignCode2, bool& force) override;
    Variant AddItem(const QString& productID, const VariantArray& data) override;
    bool SimpleProduct(const QString& productID) override;
    Variant RemoveItem(const Variant& index) override;
    Variant Commit() override;
    void ClearBasket() override;
    std::shared_ptr<EngineBasket> Basket() const override;
    bool Assign3(QString& message, const QString& unused) override;
    QString ProductSupplier(const QString& productID) override;
    bool Assign4(QString& message, const ObjectRef& collection, const VariantArray& arguments) override;

    // Event helpers; each returns what the handler left in the in/out parameters.
    RulesEngineEvents* sink() const { return m_sink; }
    struct GetDataAnswer {
        Variant data;
        bool cancel;
    };
    GetDataAnswer raiseGetData(const QString& name, const QString& dataType, qint32 device,
                               const QString& errorMessage = {}, const Variant& data = {});
    // Fires ItemAdded; the item stays in the basket unless the handler cancels.
    bool raiseItemAdded(const std::shared_ptr<FakeEngineBasketItem>& item);
    void raiseItemRemoved(const std::shared_ptr<FakeEngineBasketItem>& item);

    // The basket, made on first use (an absent basket is basket == nullptr).
    FakeEngineBasket& ensureBasket();

    // Script.
    bool assignRequired = false;
    bool busy = false;
    qint32 activeDevices = 0;
    std::shared_ptr<FakeEngineBasket> basket;
    std::shared_ptr<FakeEngineGUI> gui = std::make_shared<FakeEngineGUI>();
    QStringList products;                 // products AddItem knows; others fail with AddItemFailed
    QHash<QString, QString> suppliers;    // ProductSupplier answers
    bool assignResult = true;             // answer of Assign1/3/4
    QString assignMessage = QStringLiteral("Assigned");
    QHash<QString, AutomationError> failures; // operation name -> error it throws

    // Observed.
    QStringList calls;
    bool initialised = false;
    bool kioskMode = false;
    bool guiVisible = false;
    bool trainingMode = false;
    QString sovereignName;
    QString sovereignVersion;
    QString posDeviceID;
    QString posOperatorID;
    QString posReferenceID;
    QList<QPair<QString, qint32>> injectedData;
    VariantArray lastAssignArguments;
    VariantArray lastAddItemData; // the Sovereign's Data array of the last AddItem

private:
    void record(const QString& operation, const QStringList& arguments = {}) const;

    RulesEngineEvents* m_sink = nullptr;
    Lifetime m_lifetime;
};
