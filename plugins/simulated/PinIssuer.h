#pragma once

#include "IssuedPin.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

// The simulated host's PIN store: random 16-digit PINs, never the same one twice, not even
// across restarts, because every PIN issued is appended to a file (one "PIN serial" line each,
// followed by the voucher's details when there are any) before it is handed out, and the file
// is read back at the next start. A "delivered serial" line marks a PIN whose voucher was
// written; a PIN with details and without that mark is still owed its voucher.
class PinIssuer {
public:
    // Where new PIN candidates come from; the default draws 16 random digits from the system's
    // random source.
    using PinSource = std::function<QString()>;

    struct Owed {
        IssuedPin pin;
        QByteArray details;
    };

    // fileName: the issued-PIN file, created with its folder when missing.
    explicit PinIssuer(QString fileName, PinSource source = {});

    // A new PIN and the next serial number; nothing when the file cannot be written (the PIN
    // is then not handed out).
    std::optional<IssuedPin> issue();
    // One PIN for each entry of details (one line of text each, kept with its PIN), all recorded
    // in one write: all of them, or none when the file cannot be written (failure() tells why).
    std::optional<QList<IssuedPin>> issue(const QList<QByteArray>& details);
    // Marks the PIN's voucher as written; false when the mark could not be recorded.
    bool markDelivered(const QString& serial);

    // The PINs issued with details whose voucher is not marked as written, in issuing order.
    QList<Owed> owed() const;
    qsizetype issuedCount() const { return m_issued.size(); }
    // Why the last record could not be written; empty when it was.
    const QString& failure() const { return m_failure; }

private:
    void readIssued();
    void readLine(const QByteArray& line);
    // Appends the text whole, or leaves the file as it was.
    bool append(const QByteArray& text);
    static QString randomPin();

    QString m_fileName;
    PinSource m_source;
    QSet<QString> m_issued;
    QList<Owed> m_owed;
    qint64 m_lastSerial = 0;
    QString m_failure;
};
