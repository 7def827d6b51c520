#pragma once

#include "SimulatedBasketItem.h"

#include <QDateTime>
#include <QString>

// Writes the voucher document of one committed item in pcQUIBA's print markup: the logo, the
// supplier and product, the PIN, its serial as a code128 barcode, the instructions, the
// terminal's details, and a cut, in UTF-8. With compression the file is one zlib stream, named with the
// compressed extension when there is one.
class VoucherWriter {
public:
    struct Terminal {
        QString account;
        QString posDeviceID;
        QString posReferenceID;
        bool trainingMode = false;
    };

    VoucherWriter(QString folder, bool compress, QString compressedExtension);

    // The full path of the written document; empty when it could not be written.
    QString write(const SimulatedBasketItem& item, const IssuedPin& pin, const Terminal& terminal,
                  const QDateTime& when) const;

    // The markup of the document.
    static QString markup(const SimulatedBasketItem& item, const IssuedPin& pin, const Terminal& terminal,
                          const QDateTime& when);

private:
    QString m_folder;
    bool m_compress;
    QString m_compressedExtension;
};
