#pragma once

#include <QString>

// The status words a finished command entry keeps: what became of its command.
class CommandStatus {
public:
    // The command ran.
    static inline const QString kDone = QStringLiteral("done");
    // The command was refused or failed (every outcome logged at level 5).
    static inline const QString kFailed = QStringLiteral("failed");
};
