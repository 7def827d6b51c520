#include "Money.h"

#include <QRegularExpression>

QString Money::text(qint64 tenThousandths)
{
    const qint64 cents = (tenThousandths + (tenThousandths >= 0 ? 50 : -50)) / 100;
    const qint64 whole = cents / 100;
    const qint64 part = qAbs(cents % 100);
    const QString sign = (cents < 0 && whole == 0) ? QStringLiteral("-") : QString();
    return sign + QString::number(whole) + u'.' + QStringLiteral("%1").arg(part, 2, 10, QLatin1Char('0'));
}

std::optional<qint64> Money::parse(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,7})(?:\\.([0-9]{1,4}))?$"));
    const auto match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString fraction = match.captured(2).leftJustified(4, QLatin1Char('0'));
    return match.captured(1).toLongLong() * kUnit + fraction.toLongLong();
}
