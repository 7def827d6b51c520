#pragma once

#include "api/VoucherPrintState.h"
#include "controller/PrintQueueTarget.h"
#include "platform/AutomationObject.h"

#include <QString>
#include <optional>

class Printer;
class PrintEvents;
class ProcedureFrame;

// One voucher document of a sale: its file, its text, and its printing either as print events
// raised by the controller or through the configured printer component.
//
// Made with std::make_shared (create()): a print with Sync False parks the voucher itself in the
// controller's print queue, which calls it back with Sync True from the event loop.
class Voucher : public AutomationObject, public PrintQueueTarget, public std::enable_shared_from_this<Voucher> {
public:
    static inline const QString kClassName = QStringLiteral("Voucher");

    // A voucher for the document at fileName (a full path), as Vouchers and the controller make it.
    static std::shared_ptr<Voucher> create(const QString& fileName);
    explicit Voucher(const QString& fileName);

    QString className() const override;

    // The document's path, reformatted and decompressed in place first.
    QString FileName();
    // The document's text, decompressed when it is stored compressed.
    QString XML();
    // Hands the file to the printer component of PRINTER/class, framed by the begin and end
    // print events.
    void PrintVoucher(std::optional<bool>& sync);
    // Raises the print events of the document's markup through the controller.
    void RaisePrintEvents(std::optional<bool>& sync);
    // Records the time of printing in the document.
    void zWritePrintedTimestamp();

    void callPrintMethod(const QString& methodName, bool sync) override;

    // What the vouchers of a basket share: whether the controller window is loaded (print
    // events go nowhere without it), whether PRINTER/class names a printer, and the text of a
    // Sync argument in a call line ("Sync=True").
    static bool controllerLoaded();
    static bool printerConfigured();
    // Asks the printer component whether it can print now; it raises when it cannot. A
    // component that cannot be created is left to the print itself, which skips it.
    static void checkPrinterStatus();
    static QString syncText(const std::optional<bool>& sync);

    // The path the voucher was made for, without checks or trace lines.
    const QString& path() const { return m_fileName; }
    // The settings the markup has left so far.
    const VoucherPrintState& printState() const { return m_state; }

private:
    enum class Needs { Document, DocumentAndPrinter };

    // The checks every reading and printing operation runs: False (nothing to do) without a
    // basket in progress; raises when the document is not released, when a printer is needed
    // and none is configured, or when the file is missing.
    bool documentAvailable(ProcedureFrame& frame, Needs needs) const;
    // Parks the named operation in the controller's print queue when the controller is loaded.
    void queue(const QString& methodName);
    void printThroughPrinter();
    void raiseMarkupEvents();
    // The work of zWritePrintedTimestamp inside another member's frame.
    void writePrintedTimestamp();
    // Rewrites the document indented, in place.
    void zPrettyXML();

    QString m_fileName;
    VoucherPrintState m_state;
};
