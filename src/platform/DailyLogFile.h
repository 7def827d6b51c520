#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// A log file that holds today's lines. The first line written on a later day first moves the
// lines of the day before aside, to "<name>-YYYY-MM-DD.log" beside it (the day of its first
// line); dated files of the folder older than the kept days are removed at start and at each
// day change. Nothing here ever fails a caller: a line or a move that cannot be made is dropped.
class DailyLogFile {
public:
    static constexpr int kMinimumKeptDays = 1;

    explicit DailyLogFile(const QString& fileName = {});

    void setFileName(const QString& fileName);
    QString fileName() const { return m_fileName; }

    // Appends one line written at `moment` (its first characters are the moment's
    // "yyyy-MM-dd"); moves the file aside first when it holds an earlier day.
    bool append(const QDateTime& moment, const QString& line);

    // How many days dated files are kept (start-up, from GENERAL/data_retention_days); removes
    // those of the folder that are older now. Until this is called, no file is removed: a day
    // change before start-up read the setting removes nothing.
    static void keepDays(int days, const QString& folder);
    // Forgets the kept days (tests).
    static void forgetKeptDays();

    // "<folder>/<base>-YYYY-MM-DD.<suffix>" for "<folder>/<base>.<suffix>".
    static QString datedName(const QString& fileName, QDate day);
    // Removes "<anything>-YYYY-MM-DD.log" files of the folder dated before today minus days.
    static void removeExpired(const QString& folder, QDate today, int days);

private:
    void moveAsideIfEarlierThan(QDate today) const;
    QDate firstLineDay() const;

    QString m_fileName;
    QDate m_checkedDay;
};
