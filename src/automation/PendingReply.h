#pragma once

#include "platform/EventRelay.h"

#include <QDBusMessage>
#include <QDBusPendingCall>

// Waiting for the answer to a call pcQUIBA made on the bus, while the event loop goes on serving
// every client (a Sovereign may call in from inside its own event handler).
//
// Calls a client makes while pcQUIBA waits for its answer are served at once, inside the wait.
// A call that arrives once that client's answer is in belongs after the relay that waited:
// holdFor() gives the token to hold it by. Every other client is served at once.
class PendingReply {
public:
    // The reply, or the error the connection gave (a time-out included). The peer is the unique
    // name of the connection asked.
    static QDBusMessage wait(const QDBusPendingCall& pending, const QString& peer = QString());

    // Expires when a call from that peer that arrives now may be served: at once while no answer
    // of the peer has been taken in under a wait still unwinding, else when the relay that waited
    // for it has returned.
    static EventRelay::Token holdFor(const QString& peer);
    // True while pcQUIBA waits for an answer from that peer that has not come yet.
    static bool awaits(const QString& peer);
};
