#pragma once

#include "services/Logger.h"

#include <memory>

// The program's logger with the status file's error count in front of it: every line goes on
// to the logger it wraps, and lines at levels 4 and 5 count as the day's errors.
class StatusCountingLogger : public Logger {
public:
    explicit StatusCountingLogger(std::shared_ptr<Logger> inner) : m_inner(std::move(inner)) {}

    QString className() const override { return m_inner->className(); }
    void setLogName(const QString& name) override { m_inner->setLogName(name); }
    void setThreshold(qint32 threshold) override { m_inner->setThreshold(threshold); }
    void log(const Variant& text, qint32 severity) override;

private:
    std::shared_ptr<Logger> m_inner;
};
