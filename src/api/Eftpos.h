#pragma once

#include "platform/AutomationObject.h"

#include <QString>

class clsINIFile;

// The card-payment details of the sale. Nothing is kept in memory: each property reads or
// writes its key of the INI section "EFTPOS" through the program's shared INI accessor, so the
// values outlive the process and every component reading the file sees them.
class Eftpos : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("Eftpos");

    // Makes sure the shared INI accessor exists, on the program's INI file.
    Eftpos();

    QString className() const override;

    QString AccountType();
    // Stores the account code of the value (CHQ, SAV, CR, DEF), or the value itself.
    void setAccountType(const QString& value);
    QString Caid();
    void setCaid(const QString& value);
    QString MerchantID();
    void setMerchantID(const QString& value);
    QString Catid();
    void setCatid(const QString& value);
    QString TerminalID();
    void setTerminalID(const QString& value);
    QString CardName();
    // Stored in upper case.
    void setCardName(const QString& value);
    QString Pan();
    void setPan(const QString& value);
    QString Stan();
    void setStan(const QString& value);

    // The account code of a trimmed, upper-case account type; any other value is its own code.
    static QString accountCode(const QString& accountType);

private:
    // A get: frame, GET line, the key's text (empty when absent), result line.
    QString read(const QString& property, const QString& key);
    // A let: frame, the normalised value's SET line (with an addition to the value where
    // given), the value written, or the key removed when the value is empty.
    void write(const QString& property, const QString& key, const QString& value, const QString& logAddition = {});
    static clsINIFile& sharedIni();
};
