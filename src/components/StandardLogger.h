#pragma once

#include "services/Logger.h"

// The built-in logger. It appends "time severity text" lines to "<log name>.log" in the
// program's logs folder and writes only lines whose severity is at least the threshold.
// Before a log name is set it writes to "pcQUIBA.log".
class StandardLogger : public Logger {
public:
    static QString classId();
    // Trace lines (1) and above; progress messages (0) only after setThreshold(0).
    static constexpr qint32 kDefaultThreshold = 1;

    StandardLogger();

    QString className() const override;

    void setLogName(const QString& name) override;
    void setThreshold(qint32 threshold) override;
    void log(const Variant& text, qint32 severity) override;

    QString fileName() const;
    qint32 threshold() const { return m_threshold; }

private:
    QString m_logName;
    qint32 m_threshold = kDefaultThreshold;
};
