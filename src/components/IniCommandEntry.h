#pragma once

#include "controller/CommandEntry.h"

// The built-in command entry: one key of the COMMANDS section of the main INI file, its state
// kept in the value itself so that it survives a restart and any component can add commands.
//
//     key=COMMAND                               pending, due at once (what a writer adds)
//     key=@YYYY-MM-DD HH:MM:SS|STATUS|COMMAND   due at that local time; STATUS empty = pending
//
// Save writes the kept form with an empty status; Complete writes it with the status "done" and
// the time it was finished. The value is read by its key, so an entry is never seen cut the way
// a section read cuts its last piece; a value a key read cannot return whole, or one that starts
// like the kept form without being it, is not read (ReadError).
class IniCommandEntry : public CommandEntry {
public:
    static QString classId() { return CommandEntry::kClassId; }
    static inline const QString kDoneStatus = QStringLiteral("done");
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

    // The stored value of an entry in its kept form.
    static QString keptForm(double when, const QString& status, const QString& commandText);
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
};
