#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// One entry of the COMMANDS section, created by class name (kClassId) for each key and told
// its key. When is a date serial (days since 30 December 1899).
class CommandEntry : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaCommands.CommandEntry");
    // Outcomes beside "done": completed without running, as a copy of another entry; an
    // install given to the installer program.
    static inline const QString kDuplicateStatus = QStringLiteral("duplicate");
    static inline const QString kHandedOverStatus = QStringLiteral("handed over");

    virtual void setKey(const QString& key) = 0;
    // Empty while the command is pending.
    virtual QString Status() const = 0;
    virtual double When() const = 0;
    virtual void setWhen(double when) = 0;
    // The command URI.
    virtual QString CommandText() const = 0;
    // Writes a changed When back.
    virtual void Save() = 0;
    // Marks the command done, so that it is not offered again.
    virtual void Complete() = 0;
    // Marks the command finished with the given outcome; an entry that keeps no outcome words
    // only completes.
    virtual void CompleteAs(const QString& status)
    {
        Q_UNUSED(status);
        Complete();
    }
    // Why the entry's value could not be read whole or parsed completely; empty when it could.
    // Such an entry is neither run nor rewritten.
    virtual QString ReadError() const { return {}; }
};
