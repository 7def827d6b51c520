#pragma once

#include <QImage>
#include <QList>
#include <QString>

class ReceiptSettings;

// Where a printed receipt goes: a PNG or PDF file, each written under one fixed hidden
// temporary name beside the target (FileReplacement) and renamed over it, or a queue of the system's print service. Files hold
// the dots a thermal printer prints (black or white, no grey); the print service gets the
// smooth drawing. Failures raise 61 (a full disk) or 75 (any other file failure) or 57 (print
// service) with the reason.
class ReceiptOutput {
public:
    // One image: the sheets one under the other (ReceiptSheets::roll), with the resolution.
    static void writePng(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings);
    // One page a sheet, each page the sheet's size.
    static void writePdf(const QList<QImage>& sheets, const QString& fileName, const ReceiptSettings& settings);
    // A printer job (ESC/POS) as the file's bytes.
    static void writeJob(const QByteArray& job, const QString& fileName);
    // One page a sheet to the queue (the default queue when empty), as one job.
    static void print(const QList<QImage>& sheets, const QString& queue, const ReceiptSettings& settings);
};
