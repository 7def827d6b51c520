#include "services/ProcedureSlot.h"

#include <atomic>

namespace {

// Two buffers: the writer fills the one not shown and then shows it.
char s_procedureNames[2][ProcedureSlot::kCapacity] = {};
std::atomic<int> s_shownName{0};
thread_local bool t_slotClaimed = false;

std::size_t putSlotAscii(char* out, std::size_t at, std::size_t capacity, const QString& text)
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
    t_slotClaimed = true;
}

bool ProcedureSlot::claimedByThisThread()
{
    return t_slotClaimed;
}

void ProcedureSlot::show(const QString& owner, const QString& procedure)
{
    if (!t_slotClaimed)
        return;
    const int next = 1 - s_shownName.load(std::memory_order_relaxed);
    char* name = s_procedureNames[next];
    std::size_t length = 0;
    if (!owner.isEmpty() && !procedure.isEmpty()) {
        length = putSlotAscii(name, length, kCapacity, owner);
        length = putSlotAscii(name, length, kCapacity, QStringLiteral("."));
        length = putSlotAscii(name, length, kCapacity, procedure);
    }
    name[length] = '\0';
    s_shownName.store(next, std::memory_order_release);
}

std::size_t ProcedureSlot::read(char* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* name = s_procedureNames[s_shownName.load(std::memory_order_acquire)];
    std::size_t length = 0;
    while (length + 1 < size && length + 1 < kCapacity && name[length] != '\0') {
        buffer[length] = name[length];
        ++length;
    }
    buffer[length] = '\0';
    return length;
}
