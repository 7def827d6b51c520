#include "automation/BusError.h"

namespace {
constexpr int kNumberDigits = 8;
}

QString BusError::namePrefix()
{
    return QStringLiteral("org.pcquiba.Error.x");
}

QString BusError::name(qint32 number)
{
    return namePrefix() + QString::number(quint32(number), 16).toUpper().rightJustified(kNumberDigits, u'0');
}

QString BusError::message(const AutomationError& error)
{
    QString source = error.source();
    source.replace(u'\n', u' ');
    return source + u'\n' + error.description();
}

QDBusMessage BusError::reply(const QDBusMessage& call, const AutomationError& error)
{
    return call.createErrorReply(name(error.number()), message(error));
}

std::optional<AutomationError> BusError::parse(const QString& name, const QString& message)
{
    if (!name.startsWith(namePrefix()))
        return std::nullopt;
    const QString digits = name.mid(namePrefix().size());
    bool ok = false;
    const quint32 pattern = digits.toUInt(&ok, 16);
    if (!ok || digits.size() != kNumberDigits)
        return std::nullopt;
    const qsizetype lineEnd = message.indexOf(u'\n');
    if (lineEnd < 0)
        return AutomationError(qint32(pattern), message, QString());
    return AutomationError(qint32(pattern), message.left(lineEnd), message.mid(lineEnd + 1));
}

std::optional<AutomationError> BusError::parse(const QDBusError& error)
{
    return parse(error.name(), error.message());
}
