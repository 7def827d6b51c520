#pragma once

#include "IssuedPin.h"
#include "VoucherRecord.h"

#include <QString>

// Writes the voucher document of one issued PIN in pcQUIBA's print markup: the logo, the
// supplier and product, the PIN, its serial as a code128 barcode, the instructions, the
// terminal's details, and a cut, in UTF-8. With compression the file is one zlib stream, named
// with the compressed extension when there is one. A document is handed out only once it is on
// the disk whole: written under a hidden name, synced, renamed into place and read back.
class VoucherWriter {
public:
    struct Written {
        QString fileName; // the full path of the document; empty when it could not be written
        QString failure;  // why not, with the system's reason ("Disk full: No space left on device")
    };

    VoucherWriter(QString folder, bool compress, QString compressedExtension);

    Written write(const VoucherRecord& record, const IssuedPin& pin) const;
    // Whether the PIN's document is in the folder, plain or compressed.
    bool exists(const IssuedPin& pin) const;

    // The markup of the document.
    static QString markup(const VoucherRecord& record, const IssuedPin& pin);

private:
    QString plainName(const IssuedPin& pin) const;

    QString m_folder;
    bool m_compress;
    QString m_compressedExtension;
};
