#pragma once

#include <QString>

// One pcQUIBA per user session. The process that owns the well-known bus name on the session
// bus is the one instance; without a session bus, an exclusive lock on a file in the program
// root does the same job. Either is held until the process ends.
class SingleInstance {
public:
    static inline const QString kBusName = QStringLiteral("org.pcquiba.pcQUIBA");
    static inline const QString kLockFileName = QStringLiteral("pcquiba.lock");

    enum class Claim { Owned, AlreadyRunning };

    // Claims the instance on the session bus, or, when there is none, by the lock file in the
    // given folder. A process that holds the claim already keeps it.
    static Claim claim(const QString& lockFolder);
    // Claims by the lock file alone (kept open for the life of the process).
    static Claim claimLockFile(const QString& lockFolder);
    // How the instance was claimed: "bus", "lock file" or empty.
    static QString claimedBy();
};
