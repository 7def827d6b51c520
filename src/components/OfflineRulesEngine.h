#pragma once

#include "components/OfflineEngineGUI.h"
#include "controller/RulesEngine.h"

// The built-in rules engine in its least useful form, for a machine without a real engine: it
// knows no products, keeps no basket, needs no assignment, and hands the screen straight back
// with SurrenderError when asked to show it. It keeps the values the Sovereign sets.
class OfflineRulesEngine : public RulesEngine {
public:
    static QString classId() { return RulesEngine::kClassId; }
    static QString unavailableMessage();

    QString className() const override { return QStringLiteral("RulesEngine"); }

    void setEventSink(RulesEngineEvents* sink) override { *m_sink = sink; }

    void InjectDeviceData(const QString&, qint32) override {}
    qint32 ActiveDevices() const override { return 0; }
    bool AssignRequired() const override { return false; }
    bool IsBusy() const override { return false; }
    void Initialise(bool) override {}

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
    void HideGUI(bool, const QString&) override {}

    bool Assign1(QString& message, const ObjectRef&, const QString&, const QString&, const QString&,
                 const QString&, bool&) override;
    Variant AddItem(const QString& productID, const VariantArray& data) override;
    bool SimpleProduct(const QString&) override { return false; }
    Variant RemoveItem(const Variant&) override { return Variant(false); }
    Variant Commit() override { return Variant(false); }
    void ClearBasket() override {}
    std::shared_ptr<EngineBasket> Basket() const override { return nullptr; }
    bool Assign3(QString& message, const QString&) override;
    QString ProductSupplier(const QString&) override { return {}; }
    bool Assign4(QString& message, const ObjectRef&, const VariantArray&) override;

private:
    bool refuseAssignment(QString& message) const;

    // Shared with pending deliveries, so that none reaches a sink removed or an engine released.
    std::shared_ptr<RulesEngineEvents*> m_sink = std::make_shared<RulesEngineEvents*>(nullptr);
    std::shared_ptr<OfflineEngineGUI> m_gui = std::make_shared<OfflineEngineGUI>();
    bool m_trainingMode = false;
    QString m_sovereignName;
    QString m_sovereignVersion;
    QString m_posDeviceID;
    QString m_posOperatorID;
    QString m_posReferenceID;
};
