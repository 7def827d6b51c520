#pragma once

#include "services/Logger.h"

#include <QStringList>

// A logger that keeps every line with its severity, for exact comparison.
class RecordingLogger : public Logger {
public:
    struct Line {
        QString text;
        qint32 severity;
        bool operator==(const Line&) const = default;
    };

    QString className() const override { return QStringLiteral("RecordingLogger"); }
    void setLogName(const QString& name) override { logName = name; }
    void setThreshold(qint32 value) override { threshold = value; }
    void log(const Variant& text, qint32 severity) override { lines.append({text.toString(), severity}); }

    QStringList texts() const;

    QList<Line> lines;
    QString logName;
    qint32 threshold = -1;
};
