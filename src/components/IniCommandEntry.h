#pragma once

#include "controller/CommandEntry.h"

// The built-in command entry: one key of the COMMANDS section of the main INI file, its state
// kept in the value itself so that it survives a restart and any component can add commands.
//
//     key=COMMAND                               pending, due at once (what a writer adds)
//     key=@YYYY-MM-DD HH:MM:SS|STATUS|COMMAND   due at that local time; STATUS empty = pending
//
// Save writes the kept form with an empty status; Complete writes it with the status "done".
class IniCommandEntry : public CommandEntry {
public:
    static QString classId() { return CommandEntry::kClassId; }
    static inline const QString kDoneStatus = QStringLiteral("done");

    QString className() const override { return QStringLiteral("CommandEntry"); }

    void setKey(const QString& key) override;
    QString Status() const override { return m_status; }
    double When() const override { return m_when; }
    void setWhen(double when) override { m_when = when; }
    QString CommandText() const override { return m_commandText; }
    void Save() override;
    void Complete() override;

    // The stored value of an entry in its kept form.
    static QString keptForm(double when, const QString& status, const QString& commandText);

private:
    void parse(const QString& value);
    void write() const;

    QString m_key;
    QString m_status;
    double m_when = 0.0;
    QString m_commandText;
};
