#pragma once

#include "platform/AutomationObject.h"

#include <QString>

// One entry of the COMMANDS section, created by class name (kClassId) for each key and told
// its key. When is a date serial (days since 30 December 1899).
class CommandEntry : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaCommands.CommandEntry");

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
    // Marks it finished with the given status word (CommandStatus): a component that keeps no
    // status words only marks it done.
    virtual void CompleteAs(const QString& status)
    {
        (void)status;
        Complete();
    }
    // Why an entry that was read whole cannot run (a time that is no time); empty when it can.
    // Such an entry is completed as failed.
    virtual QString Defect() const { return {}; }
    // Why the entry's value could not be read whole or parsed completely; empty when it could.
    // Such an entry is neither run nor rewritten.
    virtual QString ReadError() const { return {}; }
};
