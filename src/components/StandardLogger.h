#pragma once

#include "platform/DailyLogFile.h"
#include "platform/JournalStream.h"
#include "services/Logger.h"

// The built-in logger. It appends "time severity text" lines to "<log name>.log" in the
// program's logs folder (today's lines; earlier days are moved aside, DailyLogFile) and writes
// only lines whose severity is at least the threshold. Before a log name is set it writes to
// "pcQUIBA.log". Written lines of severity 3 and above also go to the journal when systemd runs
// the program (the kiosk's user unit).
class StandardLogger : public Logger {
public:
    static QString classId();
    // Trace lines (1) and above; progress messages (0) only after setThreshold(0).
    static constexpr qint32 kDefaultThreshold = 1;
    // Lines from this severity on also go to the journal.
    static constexpr qint32 kJournalSeverity = 3;

    StandardLogger();

    QString className() const override;

    void setLogName(const QString& name) override;
    void setThreshold(qint32 threshold) override;
    void log(const Variant& text, qint32 severity) override;

    QString fileName() const;
    // Tests: where journal lines go.
    void setJournal(const JournalStream& journal) { m_journal = journal; }
    qint32 threshold() const { return m_threshold; }

private:
    QString m_logName;
    DailyLogFile m_file;
    JournalStream m_journal;
    qint32 m_threshold = kDefaultThreshold;
};
