#pragma once

#include "controller/ControllerEvents.h"
#include "controller/HostConnection.h"
#include "controller/PrintEvents.h"
#include "controller/RulesEngine.h"
#include "platform/Dictionary.h"
#include "platform/Form.h"

#include <functional>

class QPushButton;
class QTimer;

// The hidden controller window: it owns the rules engine and the host connection of a running
// upload, keeps the connected clients, raises the engine's events as its own to every advised
// listener, runs deferred actions through posted clicks on its six buttons, keeps the print
// queue and the print depth, and ticks the remote command processor.
//
// There is one per process, loaded on first use through instance(); an unload destroys it from
// the event loop (safe from inside its own handlers and the engine's events), and the next
// instance() makes a fresh one.
class frmController : public Form, public PrintEvents {
    Q_OBJECT
public:
    static inline const QString kFormName = QStringLiteral("frmController");

    static frmController& instance();
    static bool isLoaded();
    static void unload();

    // Adds the client when absent; "KIOSK" also sets KioskMode. Returns the controller.
    frmController& Connect(const QString& clientName);
    void Disconnect(const QString& clientName);
    // How many clients are connected.
    int clientCount() const;
    bool KioskMode() const;
    void setKioskMode(bool value);
    // The engine, or nullptr.
    std::shared_ptr<RulesEngine> Engine() const;
    // The argument table of the deferred actions, made on first read.
    Dictionary& Args();
    // Posts a click on one of the deferred-action buttons that finds under the keys of Args what
    // that button's action parked there last: a second AddItem before the click still replaces
    // the first, but actions of two buttons that park under the same key (AddItem's and
    // InjectData's "Data") each run with their own.
    void PostClickWithArguments(QPushButton* control, const QStringList& keys);
    void StartEngine();
    void StopEngine();
    bool EngineReady() const;

    // The listeners of the controller's events; a listener may unadvise (or be destroyed after
    // unadvising) from inside an event.
    void advise(ControllerEvents* listener);
    void unadvise(ControllerEvents* listener);

    // Parks an asynchronous print: target must be a PrintQueueTarget; its method runs later with
    // Sync True, in queueing order.
    void AddToPrintQueue(const ObjectRef& target, const QString& methodName);
    qint16 printDepth() const;

    void RaisePrintBegin(qint16 numberOfDocuments) override;
    void RaisePrintVoucher(const QString& alignment) override;
    void RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                        const QString& alignment, qint16 indent, const QString& data) override;
    void RaisePrintLine(qint16 width) override;
    void RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                           const QString& data) override;
    void RaisePrintGraphicsBegin(const QString& verticalAlignment) override;
    void RaisePrintImage(const QString& alignment, const QString& fileName) override;
    void RaisePrintGraphicsEnd() override;
    void RaisePrintCut(bool& halfCut) override;
    void RaisePrintVoucherEnd() override;
    void RaisePrintEnd() override;

    // Raises Closing to every listener (the remote commands, before an install).
    void RaiseClosing(const QString& message);

    // The host connection of a running upload; set by the remote commands, released here when
    // it reports Error, Timeout or UploadFileComplete.
    void setConnection(std::shared_ptr<HostConnection> connection);
    std::shared_ptr<HostConnection> connection() const;

    // The deferred-action buttons and the command timer.
    QPushButton* cmdShowConfig() const;
    QPushButton* cmdInjectData() const;
    QPushButton* cmdAddItem() const;
    QPushButton* cmdAsyncPrint() const;
    QPushButton* cmdHideGUI() const;
    QPushButton* cmdInterruptGUI() const;
    QTimer* tmrCommand() const;

    // What every tick of tmrCommand runs: the remote command processor.
    using CommandProcessor = std::function<void(frmController&)>;
    static void setCommandProcessor(CommandProcessor processor);

    // Where the sale objects plug in: the controller wraps an engine item in a BasketItem and
    // a voucher file in a Voucher through these. While none is set, ItemAdded, ItemRemoved and
    // VoucherAvailable raise nothing.
    using BasketItemFactory = std::function<std::shared_ptr<BasketItem>(const std::shared_ptr<EngineBasketItem>&)>;
    using VoucherFactory = std::function<std::shared_ptr<Voucher>(const QString& fileName)>;
    static void setSaleObjectFactories(BasketItemFactory basketItemFactory, VoucherFactory voucherFactory);

    // The start screen as the controller uses it: shown again after the engine surrendered to
    // the configuration utility, closed when the utility reports a save. Start-up sets them;
    // while unset, nothing happens.
    struct StartScreenHooks {
        std::function<void()> show;
        std::function<void()> close;
    };
    static void setStartScreenHooks(StartScreenHooks hooks);

    // The hand-started kiosk's run as start-up follows it: told the engine's surrender (before
    // the kiosk disconnects) and each committed basket while in kiosk mode. While unset, nothing.
    struct KioskHooks {
        std::function<void(qint32 reason, const QString& message)> surrendered;
        std::function<void()> basketCommitted;
    };
    static void setKioskHooks(KioskHooks hooks);

    // Told the number of clients each time a client connects or leaves and when the controller
    // unloads (then none), after the controller has done what that change asks of it.
    using ClientsHook = std::function<void(int clients)>;
    static void setClientsHook(ClientsHook hook);

private:
    friend class ControllerEngineSink;

    frmController();
    ~frmController() override;

    void Form_Load();
    void cmdShowConfig_Click();
    void cmdInjectData_Click();
    void cmdAddItem_Click();
    void cmdAsyncPrint_Click();
    void cmdHideGUI_Click();
    void cmdInterruptGUI_Click();
    void tmrCommand_Timer();

    void m_objEngine_ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel);
    void m_objEngine_ItemRemoved(std::shared_ptr<EngineBasketItem>& item);
    void m_objEngine_VoucherAvailable(const QString& fileName);
    void m_objEngine_Surrender(qint32 reason, const QString& message);
    void m_objEngine_BasketCommitted(qint16 numberOfItems);
    void m_objEngine_SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle);
    void beginEngineEvent();
    void endEngineEvent();

    void raiseEvent(const std::function<void(ControllerEvents&)>& call);
    // The item of an argument key, removed; Empty when absent.
    Variant takeArgument(const QString& key);
    void releaseEngine();
    void releaseConnection();
    static void tellClients(int clients);

    struct Private;
    std::unique_ptr<Private> d;
};
