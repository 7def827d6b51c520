#pragma once

#include <QDBusMessage>
#include <QDBusPendingCall>

// Waiting for the answer to a call pcQUIBA made on the bus, while the event loop goes on serving
// every client (a Sovereign may call in from inside its own event handler).
class PendingReply {
public:
    // The reply, or the error the connection gave (a time-out included).
    static QDBusMessage wait(const QDBusPendingCall& pending);
};
