#pragma once

#include "controller/ControllerEvents.h"
#include "platform/Variant.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class APIEvents;
class Basket;
class Eftpos;
class Journal;
class ProcedureFrame;
class Settings;
class UserInterface;
class frmController;

// The Sovereign's way in: one client of the controller. Made, it connects to the controller
// under an identifier of its own and starts the engine; it passes the Sovereign's identity and
// queries to the engine, hands out one set of sale objects, assigns the terminal to a host
// account, takes device data, and raises the controller's events to its own sinks. Destroyed,
// it disconnects.
//
// Automation forms in C++: a property get is Name(), a let setName(value); an optional argument
// is std::optional (nullopt when omitted); a by-reference argument is a reference, and an
// optional by-reference argument a reference to a std::optional. Never destroy an API object
// from inside one of its own events: the relay is still running on it.
class API : public AutomationObject, public ControllerEvents {
public:
    static inline const QString kClassName = QStringLiteral("API");

    API();
    ~API() override;

    API(const API&) = delete;
    API& operator=(const API&) = delete;

    QString className() const override;

    // The name this client has among the controller's clients: the tick count at creation in
    // decimal, moved on past the identifiers of the other live API objects.
    const QString& identifier() const { return m_identifier; }

    // The sinks the events are raised to; a sink may unadvise from inside an event.
    void advise(APIEvents* sink);
    void unadvise(APIEvents* sink);

    bool IsReady();
    bool IsBusy();
    QString POSDeviceID();
    void setPOSDeviceID(const QString& value);
    QString POSOperatorID();
    void setPOSOperatorID(const QString& value);
    QString POSReferenceID();
    void setPOSReferenceID(const QString& value);
    bool SimpleProduct(const QString& productID);
    QString SovereignName();
    void setSovereignName(const QString& value);
    QString SovereignVersion();
    void setSovereignVersion(const QString& value);
    bool TrainingMode();
    void setTrainingMode(bool value);
    QString Version();
    bool WellBehaved();
    void setWellBehaved(bool value);
    std::shared_ptr<class UserInterface> UserInterface();
    std::shared_ptr<class Basket> Basket();
    std::shared_ptr<class Journal> Journal();
    std::shared_ptr<class Settings> Settings();
    // An omitted Device counts as 0, which no engine listens to.
    void InjectData(const Variant& data, std::optional<qint32> device = std::nullopt);
    void InjectCancel(bool cancel);
    bool IsAssigned();
    // Free-form facts about the point of sale, kept in the INI section INFO under the name in
    // lower case without a leading "_".
    QString POSInfo(const QString& name);
    void setPOSInfo(const QString& name, const QString& value);
    std::shared_ptr<class Eftpos> Eftpos();
    // The three values go back trimmed; Force goes back as the engine left it. Omitted values
    // count as empty text and False.
    QString Assign1(std::optional<QString>& hardwareID, std::optional<QString>& assignCode1,
                    std::optional<QString>& assignCode2, std::optional<bool>& force);
    QString Assign2(VariantArray& arguments);
    QString Assign3();
    QString Assign4(VariantArray& arguments);
    QString ProductSupplier(const QString& productID);
    // The Sovereign's window (an X11 window id), brought to the foreground on Surrender.
    qint32 SovereignHWnd();
    void setSovereignHWnd(qint32 value);

    // The controller's events, relayed to the sinks.
    void Surrender(qint32 reason, const QString& message) override;
    void RefuseInterrupt() override;
    void StartDevice(qint32 device) override;
    void StopDevice(qint32 device) override;
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override;
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override;
    void ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel) override;
    void ItemRemoved(std::shared_ptr<BasketItem>& basketItem) override;
    void AddItemFailed(const QString& productID, const QString& message) override;
    void VoucherAvailable(std::shared_ptr<Voucher>& voucher) override;
    void BasketCommitted(qint16 numberOfItems) override;
    void BasketSuspended(const QString& handle) override;
    void SuspendFailed(const QString& message) override;
    void ResumeComplete(qint16 numberOfItems) override;
    void ResumeFailed(const QString& handle, const QString& message) override;
    void PrintBegin(qint16 numberOfDocuments) override;
    void PrintVoucher(const QString& alignment) override;
    void PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                   const QString& alignment, qint16 indent, const QString& data) override;
    void PrintLine(qint16 width) override;
    void PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                      const QString& data) override;
    void PrintGraphicsBegin(const QString& verticalAlignment) override;
    void PrintImage(const QString& alignment, const QString& fileName) override;
    void PrintGraphicsEnd() override;
    void PrintCut(bool& halfCut) override;
    void PrintVoucherEnd() override;
    void PrintEnd() override;
    void Closing(const QString& message) override;
    void Ready() override;

private:
    enum class EndLine { Written, None };

    void Class_Initialize();
    void Class_Terminate();
    static QString newIdentifier();

    // An identity property: the engine's value read, or the trimmed value written.
    QString identityGet(const QString& name, const QString& lineName, QString (*read)(const class RulesEngine&));
    void identitySet(const QString& name, const QString& value, void (*write)(class RulesEngine&, const QString&));
    QString productQuery(const QString& name, const QString& productID,
                         const std::function<Variant(class RulesEngine&, const QString&)>& ask);
    template <class T>
    std::shared_ptr<T> factory(const QString& name, std::shared_ptr<T>& object, bool assignCheck);
    // The INI key POSInfo uses for a name; empty when there is none.
    static QString infoKey(const QString& name);
    // "OK: " or "FAILED: " with the message.
    static QString assignResult(bool assigned, const QString& message);

    // The relay of one event: call line, the event to every sink, end line. Every step passes
    // over errors, the sinks' included.
    void relay(const std::function<QString()>& callLine, const std::function<void(APIEvents&)>& raise,
               const QString& endEvent, EndLine endLine = EndLine::Written);
    void raiseToSinks(const std::function<void(APIEvents&)>& raise);
    static void passOver(const std::function<void()>& step);

    QString m_identifier;
    QPointer<frmController> m_controller;
    QList<APIEvents*> m_sinks;
    qint32 m_sovereignHWnd = 0;
    std::shared_ptr<class UserInterface> m_userInterface;
    std::shared_ptr<class Basket> m_basket;
    std::shared_ptr<class Eftpos> m_eftpos;
    std::shared_ptr<class Journal> m_journal;
    std::shared_ptr<class Settings> m_settings;

    bool m_inDataRequest = false;
    Variant m_injectedData = Variant::null();
    bool m_injectionCancelled = false;
};
