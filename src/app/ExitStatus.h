#pragma once

// The exit statuses of the faults that end pcQUIBA from outside its ordinary end (docs/failures.md).
// A kiosk unit restarts a program that ends with any of them; an automation start is started
// again by the bus at the Sovereign's next call. A crash ends the process by its signal itself.
class ExitStatus {
public:
    // The session bus connection was lost.
    static constexpr int kBusLost = 69;
    // The event loop did not turn for GENERAL/engine_timeout seconds.
    static constexpr int kEventLoopStalled = 70;
    // Ended by a termination signal: 128 + the signal's number, in order or, when the loop or
    // the engine did not let it end in order in time, by the watchdog.
    static constexpr int signalStatus(int signalNumber) { return 128 + signalNumber; }
};
