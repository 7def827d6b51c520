#pragma once

// The process's exit statuses, one table (docs/start-up.md, "Exit statuses"): they tell an
// orderly stop, an ordinary end of the kiosk and a failure apart, so that the kiosk's unit and
// an operator reading `systemctl --user status` know why pcQUIBA ended.
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
    // Ended in order by a termination signal N (SIGTERM, SIGINT, SIGHUP): 128 + N.
    static constexpr int kSignalBase = 128;

    static int forSignal(int signalNumber) { return kSignalBase + signalNumber; }
    // A failure status: neither an orderly end, nor a kiosk's end, nor a stop by a signal.
    static bool isFailure(int status)
    {
        return status != kOrderly && status != kKioskEnded && status < kSignalBase;
    }
};
