#pragma once

#include <QString>

// Where an ESC/POS job may be sent: with printer_type "escpos", printer_device must be
// "tcp://HOST[:PORT]" or a character device (a serial line, a USB printer class device); a
// regular file, a folder or a block device would be written over with the job. Other printer
// types keep their queue names.
class PrinterDeviceRule {
public:
    static inline const QString kEscPosType = QStringLiteral("escpos");

    // Empty when the pair may be written; else why not, as a sentence for the person who asked.
    static QString refusal(const QString& printerType, const QString& device);
};
