#pragma once

// The event loop of a test that does not run one of its own.
class TestEventLoop {
public:
    // Runs what the loop has waiting (posted clicks, single-shot timers due now) and the deferred
    // deletions, then what those left behind.
    static void runPending();
};
