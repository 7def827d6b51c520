#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

class clsINIFile;

// The kiosk's status for whoever watches it from outside (the fleet agent): R/data/status.json,
// replaced whole, at most once a second and only when something in it changed. One per process;
// the controller, the logger and the printer tell it what happens, a timer asks it to write.
class StatusFile {
public:
    static constexpr qint64 kMinimumIntervalMs = 1000;
    static inline const QString kUnknownPrinter = QStringLiteral("unknown");
    // Free disk space is told in whole MiB, so that the logs' growth alone does not rewrite the file.
    static constexpr qint64 kDiskStep = 1024 * 1024;

    static StatusFile& instance();
    // A fresh state, started now (tests, and the program's start).
    static void reset();

    void noteSale();
    // Levels 4 and 5 count as errors.
    void noteLogLine(qint32 severity);
    void setPrinter(const QString& state);
    void setEngine(bool ready, bool assigned);
    void setPackageVersion(const QString& version);

    // Writes the file when its content changed and the last write is a second old; true when
    // it wrote. The command counts come from the COMMANDS section of ini (none without it).
    bool update(const clsINIFile* ini);

    // Everything but updated_at.
    QJsonObject content(const clsINIFile* ini) const;
    static QString fileName();

private:
    StatusFile();
    void rollDay();

    QDateTime m_startedAt;
    QDate m_day;
    bool m_engineReady = false;
    bool m_assigned = false;
    QString m_printer = kUnknownPrinter;
    QString m_packageVersion;
    QDateTime m_lastSaleAt;
    qint64 m_sales = 0;
    qint64 m_errors = 0;
    QByteArray m_written;
    qint64 m_writtenAt = 0;
    bool m_everWritten = false;
};
