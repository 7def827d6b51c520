#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Dates as the runtime keeps them: days since 30 December 1899, the fraction being the time.
class DateValue {
public:
    static double fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static double fromDateTime(const QDateTime& dateTime);
    static QDateTime toDateTime(double serial);
    static double now();

    // IsDate / CDate on a text: numeric dates (day/month/year, year-month-day, with "/", "-" or
    // "."), month names and abbreviations, an optional time with AM/PM; nothing when it is not a date.
    static std::optional<double> parse(const QString& text);
    // CStr of a date: the date part, then the time part unless it is midnight.
    static QString toText(double serial);
};
