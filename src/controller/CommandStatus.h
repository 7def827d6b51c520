#pragma once

#include <QString>

// The status words a finished command entry keeps: what became of its command.
class CommandStatus {
public:
    // The command ran.
    static inline const QString kDone = QStringLiteral("done");
    // The command was refused or failed (every outcome logged at level 5).
    static inline const QString kFailed = QStringLiteral("failed");
    // Completed without running: the same command was selected to run beside it.
    static inline const QString kDuplicate = QStringLiteral("duplicate");
    // An install given to the installer program, which this process ends for.
    static inline const QString kHandedOver = QStringLiteral("handed over");
    // The longest of the words: what a kept entry must leave room for.
    static inline const QString& longest() { return kHandedOver; }
};
