#pragma once

#include <QString>
#include <cstddef>

// The last line of a process that crashes (SIGSEGV, SIGABRT from an exception that escaped or
// an abort, SIGBUS, SIGFPE, SIGILL): appended to error.log from the signal handler with
// async-signal-safe calls only (no allocation, no stdio), on a stack of its own so that a stack
// overflow is reported too:
//
//     1765432100 | 11 | Crash: signal 11 (SIGSEGV) | frmController.Sub StartEngine
//
// seconds since the epoch, the signal's number, the description, and the procedure the main
// thread was in (ProcedureSlot). The process then dies of the same signal, so its status and a
// core dump stay as they would be.
class CrashLine {
public:
    static constexpr std::size_t kLineCapacity = 512;

    // Installs the handlers; the line goes to fileName (made when missing). Call once.
    static void install(const QString& fileName);

    // Writes the line into out (at most size - 1 bytes, NUL-terminated) and returns its length,
    // line end included. Async-signal-safe.
    static std::size_t format(char* out, std::size_t size, int signalNumber, long long seconds, const char* procedure);

private:
    static void handle(int signalNumber);
};
