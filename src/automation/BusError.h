#pragma once

#include "platform/AutomationError.h"

#include <QDBusError>
#include <QDBusMessage>
#include <optional>

// The wire form of an automation error. The error name carries the number as eight hexadecimal
// digits of its 32-bit pattern ("org.pcquiba.Error.x80040259", "org.pcquiba.Error.x0000000D");
// the message is the source, a line feed, then the description (which may hold further lines).
class BusError {
public:
    static QString namePrefix();
    static QString name(qint32 number);
    static QString message(const AutomationError& error);
    static QDBusMessage reply(const QDBusMessage& call, const AutomationError& error);

    // The automation error a D-Bus error carries; nothing for any other D-Bus error.
    static std::optional<AutomationError> parse(const QString& name, const QString& message);
    static std::optional<AutomationError> parse(const QDBusError& error);
};
