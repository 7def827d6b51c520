#pragma once

#include <functional>

// Work that may block for a long time (a printer's connection, status and job) runs on a thread
// of its own while the event loop goes on serving everyone else; the caller returns, or gets the
// work's error, once the work has ended. One piece of work runs at a time: another started
// meanwhile (from a call served while the first waits) waits its turn on its own thread.
//
// The caller's frame waits in a nested turn of the event loop, so a caller that holds a client's
// call answers it when the work ends (the server holds that client's further calls meanwhile);
// while work is under way, steps that must not happen in the middle of it are put off with
// afterwards().
class OffLoopWork {
public:
    // Runs work off the event loop and rethrows what it threw. Without an application object, or
    // off the application's thread, the work runs in place.
    static void run(const std::function<void()>& work);

    // True while a caller waits in run().
    static bool underWay();
    // Runs the step now when no work is under way, else from the event loop once the last caller
    // has returned from run(); steps keep their order.
    static void afterwards(std::function<void()> step);
};
