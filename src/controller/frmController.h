#pragma once

#include "controller/ControllerEvents.h"
#include "controller/HostConnection.h"
#include "controller/PrintEvents.h"
#include "controller/RulesEngine.h"
#include "platform/Dictionary.h"

#include <QWidget>
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
class frmController : public QWidget, public PrintEvents {
    Q_OBJECT
public:
    static inline const QString kFormName = QStringLiteral("frmController");

    static frmController& instance();
    static bool isLoaded();
    static void unload();

    // Adds the client when absent; "KIOSK" also sets KioskMode. Returns the controller.
    frmController& Connect(const QString& clientName);
    void Disconnect(const QString& clientName);
    bool KioskMode() const;
    void setKioskMode(bool value);
    // The engine, or nullptr.
    std::shared_ptr<RulesEngine> Engine() const;
    // The argument table of the deferred actions, made on first read.
    Dictionary& Args();
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

private:
    frmController();
    ~frmController() override;
    struct Private;
    std::unique_ptr<Private> d;
};
