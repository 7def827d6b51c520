#pragma once

#include "api/Printer.h"
#include "components/EscPosStatus.h"
#include "components/ReceiptSettings.h"

#include <QByteArray>
#include <QImage>
#include <QList>

// The built-in receipt printer (QuibaPrint.ReceiptPrinter). It reads a voucher with the same
// print events a Sovereign receives and prints them as a receipt, as the PRINTER keys say:
// printer_type "pdf" or "png" writes <data folder>/printed/<voucher name>.pdf or .png,
// replacing an earlier print in one step; any other value prints to the system's print queue
// printer_device (the default queue when empty). With print_preview the receipt is shown first
// and printed only when the user confirms.
class EscPosConnection;
class PrintEvents;

class ReceiptPrinter : public Printer {
public:
    static QString classId();
    static inline const QString kPrintedFolder = QStringLiteral("printed");

    ReceiptPrinter();
    // Settings given instead of the INI file's (tests, the voucher command).
    explicit ReceiptPrinter(const ReceiptSettings& settings);

    QString className() const override;

    // Raises the reader's errors for a voucher that cannot be read, 75 for a file that cannot
    // be written and 57 when the print service refuses.
    void PrintDocument(QString& fileName, const ObjectRef& options) override;
    // For printer_type escpos: asks the printer's status and raises 57 with its fixed text
    // unless it is ready. Other outputs cannot tell.
    void CheckStatus() override;

    // The sheets of a voucher file as this printer prints them.
    static QList<QImage> render(const QString& fileName, const ReceiptSettings& settings);
    // The ESC/POS job of a voucher file.
    static QByteArray escPosJob(const QString& fileName, const ReceiptSettings& settings);
    // Sends a job to the ESC/POS printer of printer_device: the status is asked before and
    // after; raises 57 when the printer cannot be reached, is not ready or the connection
    // breaks.
    static void sendEscPos(const QByteArray& job, const ReceiptSettings& settings);
    // The status of the ESC/POS printer at device (raises 57 when it cannot be reached).
    static EscPosStatus escPosStatus(const QString& device, int timeoutMs);
    static const EscPosStatus& noted(const EscPosStatus& status);
    // The file a PDF or PNG print of the voucher goes to; empty for the print service.
    static QString outputFile(const QString& voucherFile, const ReceiptSettings& settings);
    // The PRINTER keys of the program's INI file.
    static ReceiptSettings iniSettings();

private:
    // Reads a voucher file into the target; raises 321 when the file ends before its markup.
    static void readVoucher(PrintEvents& target, const QString& fileName, const ReceiptSettings& settings);

    ReceiptSettings m_settings;
};
