#include "services/ProcedureSlot.h"

#include <atomic>

namespace {

// Two buffers: the writer fills the one not shown and then shows it.
char s_names[2][ProcedureSlot::kCapacity] = {};
std::atomic<int> s_shown{0};
thread_local bool t_claimed = false;

std::size_t putAscii(char* out, std::size_t at, std::size_t capacity, const QString& text)
{
    for (const QChar c : text) {
        if (at + 1 >= capacity)
            break;
        out[at++] = c.unicode() >= 0x20 && c.unicode() < 0x7f ? char(c.unicode()) : '?';
    }
    return at;
}

} // namespace

void ProcedureSlot::claimForThisThread()
{
    t_claimed = true;
}

bool ProcedureSlot::claimedByThisThread()
{
    return t_claimed;
}

void ProcedureSlot::show(const QString& owner, const QString& procedure)
{
    if (!t_claimed)
        return;
    const int next = 1 - s_shown.load(std::memory_order_relaxed);
    char* name = s_names[next];
    std::size_t length = 0;
    if (!owner.isEmpty() && !procedure.isEmpty()) {
        length = putAscii(name, length, kCapacity, owner);
        length = putAscii(name, length, kCapacity, QStringLiteral("."));
        length = putAscii(name, length, kCapacity, procedure);
    }
    name[length] = '\0';
    s_shown.store(next, std::memory_order_release);
}

std::size_t ProcedureSlot::read(char* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* name = s_names[s_shown.load(std::memory_order_acquire)];
    std::size_t length = 0;
    while (length + 1 < size && length + 1 < kCapacity && name[length] != '\0') {
        buffer[length] = name[length];
        ++length;
    }
    buffer[length] = '\0';
    return length;
}
