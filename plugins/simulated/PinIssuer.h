#pragma once

#include "IssuedPin.h"

#include <QSet>
#include <QString>
#include <functional>
#include <optional>

// The simulated host's PIN store: random 16-digit PINs, never the same one twice, not even
// across restarts, because every PIN issued is appended to a file (one "PIN serial" line each)
// before it is handed out, and the file is read back at the next start.
class PinIssuer {
public:
    // Where new PIN candidates come from; the default draws 16 random digits from the system's
    // random source.
    using PinSource = std::function<QString()>;

    // fileName: the issued-PIN file, created with its folder when missing.
    explicit PinIssuer(QString fileName, PinSource source = {});

    // A new PIN and the next serial number; nothing when the file cannot be written (the PIN
    // is then not handed out).
    std::optional<IssuedPin> issue();

    qsizetype issuedCount() const { return m_issued.size(); }

private:
    void readIssued();
    static QString randomPin();

    QString m_fileName;
    PinSource m_source;
    QSet<QString> m_issued;
    qint64 m_lastSerial = 0;
};
