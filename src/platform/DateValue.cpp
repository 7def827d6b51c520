#include "platform/DateValue.h"

// Interim dates; completed with their table tests.

namespace {
const QDate kEpoch(1899, 12, 30);
}

double DateValue::fromParts(int year, int month, int day, int hour, int minute, int second)
{
    return double(kEpoch.daysTo(QDate(year, month, day))) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

double DateValue::fromDateTime(const QDateTime& dateTime)
{
    const QTime time = dateTime.time();
    return fromParts(dateTime.date().year(), dateTime.date().month(), dateTime.date().day(), time.hour(),
                     time.minute(), time.second());
}

QDateTime DateValue::toDateTime(double serial)
{
    const qint64 seconds = qRound64(serial * 86400.0);
    return QDateTime(kEpoch, QTime(0, 0)).addSecs(seconds);
}

double DateValue::now()
{
    return fromDateTime(QDateTime::currentDateTime());
}

std::optional<double> DateValue::parse(const QString& text)
{
    const QDateTime dateTime = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (dateTime.isValid())
        return fromDateTime(dateTime);
    return std::nullopt;
}

QString DateValue::toText(double serial)
{
    return toDateTime(serial).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}
