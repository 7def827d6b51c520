#pragma once

#include "controller/CommandEntry.h"
#include "controller/CommandStatus.h"

// The built-in command entry: one key of the COMMANDS section of the main INI file, its state
// kept in the value itself so that it survives a restart and any component can add commands.
//
//     key=COMMAND                               pending, due at once (what a writer adds)
//     key=@YYYY-MM-DD HH:MM:SS|STATUS|COMMAND   due at that local time; STATUS empty = pending
//
// Save writes the kept form with an empty status; Complete writes it with the status "done" (or
// the status word CompleteAs gives) and the time it was finished. Times are the kiosk's local
// wall-clock times: one that falls in the hour a change to daylight-saving time skips is written
// as the first valid time after it; one in the hour the change back repeats counts at its
// first pass, since due times are compared as they read. The value is read by its key, so an entry is never seen cut the way
// a section read cuts its last piece; a value a key read cannot return whole, or one that starts
// like the kept form without being it, is not read (ReadError).
class IniCommandEntry : public CommandEntry {
public:
    static QString classId() { return CommandEntry::kClassId; }
    static inline const QString kDoneStatus = CommandStatus::kDone;
    // A key read returns at most 999 characters; a value that long may have been cut.
    static constexpr qsizetype kMaxValueLength = 998;

    QString className() const override { return QStringLiteral("CommandEntry"); }

    void setKey(const QString& key) override;
    QString Status() const override { return m_status; }
    double When() const override { return m_when; }
    void setWhen(double when) override { m_when = when; }
    QString CommandText() const override { return m_commandText; }
    void Save() override;
    void Complete() override;
    void CompleteAs(const QString& status) override;
    QString ReadError() const override { return m_readError; }
    QString Defect() const override { return m_defect; }

    // The stored value of an entry in its kept form.
    static QString keptForm(double when, const QString& status, const QString& commandText);
    // The wall-clock text of a time as kept; a time that the local clock skips becomes the first
    // valid time after it.
    static QString timeText(double when);
    // The longest command text whose finished state can still be read back.
    static qsizetype maxCommandLength();

private:
    void parse(const QString& value);
    void write() const;

    QString m_key;
    QString m_status;
    double m_when = 0.0;
    QString m_commandText;
    QString m_readError;
    QString m_defect;
};
