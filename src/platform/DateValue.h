#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Dates as the runtime keeps them: days since 30 December 1899, the fraction being the time.
// Before that day the whole part counts back while the fraction still counts forward from
// midnight: -1.25 is 29 December 1899, 06:00. The runtime's range is 1 January 100 to
// 31 December 9999.
class DateValue {
public:
    // A serial broken into calendar fields, rounded to the second.
    struct Parts {
        int year = 1899;
        int month = 12;
        int day = 30;
        int hour = 0;
        int minute = 0;
        int second = 0;
        int dayOfWeek = 7; // 1 = Sunday ... 7 = Saturday, as the runtime's Weekday
        int dayOfYear = 364;
    };

    // Months and days beyond their range carry over as the runtime's DateSerial and TimeSerial
    // do: month 13 is January of the next year, day 0 the last day of the month before.
    static double fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static double fromDateTime(const QDateTime& dateTime);
    static QDateTime toDateTime(double serial);
    // Clock::now() to the second.
    static double now();

    // Whether a serial lies in the runtime's date range.
    static bool isInRange(double serial);
    // The calendar fields of a serial; outside the date range raises Overflow (6).
    static Parts split(double serial);

    // English month and day names: monthName(3) "March", monthName(3, true) "Mar";
    // dayName(1) "Sunday".
    static QString monthName(int month, bool abbreviated = false);
    static QString dayName(int dayOfWeek, bool abbreviated = false);

    // IsDate / CDate on a text: numeric dates (day/month/year, year-month-day, with "/", "-" or
    // "."), month names and abbreviations, an optional time with AM/PM; nothing when it is not a date.
    static std::optional<double> parse(const QString& text);
    // CStr of a date: "dd/mm/yyyy hh:nn:ss"; the date alone at midnight, the time alone on day 0.
    static QString toText(double serial);
    // The two halves of that form: "dd/mm/yyyy" and "hh:nn:ss".
    static QString dateText(const Parts& parts);
    static QString timeText(const Parts& parts);
};
