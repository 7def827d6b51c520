#pragma once

#include <QString>
#include <cstddef>

// The procedure the program's main thread is in ("Class.Procedure"), readable at any moment
// without a lock: by the watchdog thread while the main thread hangs, and by a signal handler
// after a crash. Only the thread that claimed the slot writes it (the procedure frames of other
// threads leave it alone). A reader that overlaps two writes may see a mixed name, never one
// longer than the slot.
class ProcedureSlot {
public:
    static constexpr std::size_t kCapacity = 160;

    // Makes the calling thread the one whose procedures the slot shows.
    static void claimForThisThread();
    static bool claimedByThisThread();

    // Shows "owner.procedure" (an empty owner or procedure: nothing); only from the claiming
    // thread, else nothing happens. Text past kCapacity - 1 bytes is cut; non-ASCII shows as '?'.
    static void show(const QString& owner, const QString& procedure);

    // Copies the shown name into buffer (at most size - 1 bytes and a NUL); returns its length.
    // Async-signal-safe.
    static std::size_t read(char* buffer, std::size_t size);
};
