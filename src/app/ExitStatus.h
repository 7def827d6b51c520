#pragma once

// The process's exit statuses, one table (docs/start-up.md, "Exit statuses"): they tell an
// orderly stop, an ordinary end of the kiosk and a failure apart, so that the kiosk's unit and
// an operator reading `systemctl --user status` know why pcQUIBA ended. The faults that end it
// from outside its ordinary end are described in docs/failures.md; a crash ends the process by
// its signal itself.
class ExitStatus {
public:
    // Nothing uses the process any more: the start screen or the settings closed, an automation
    // start's clients left, a second instance, a command line with nothing to do.
    static constexpr int kOrderly = 0;
    // The start failed: the error handler could not be made, or Main's error exit ended it
    // (a kiosk whose engine could not be made).
    static constexpr int kStartFailed = 1;
    // The kiosk ended: its engine handed the screen back (Surrender).
    static constexpr int kKioskEnded = 3;
    // The session bus connection was lost.
    static constexpr int kBusLost = 69;
    // The event loop did not turn for GENERAL/engine_timeout seconds.
    static constexpr int kEventLoopStalled = 70;
    // Ended by a termination signal N (SIGTERM, SIGINT, SIGHUP): 128 + N, in order or, when the
    // loop or the engine did not let it end in order in time, by the watchdog.
    static constexpr int kSignalBase = 128;

    static constexpr int forSignal(int signalNumber) { return kSignalBase + signalNumber; }
    // A failure status: neither an orderly end, nor a kiosk's end, nor a stop by a signal.
    static constexpr bool isFailure(int status)
    {
        return status != kOrderly && status != kKioskEnded && status < kSignalBase;
    }
};
