#pragma once

#include <QtGlobal>
#include <functional>

// The system tick count as the original runtime's Long held it: milliseconds since boot
// (CLOCK_BOOTTIME, so time spent suspended counts), cut to a signed 32-bit value that wraps to
// negative numbers after about 24.8 days and back through 0 after about 49.7.
class TickCount {
public:
    static qint32 now();
    // Milliseconds since boot as the 32-bit Long holds them.
    static qint32 fromMilliseconds(qint64 milliseconds);

    // Where now() reads its milliseconds since boot; an empty function restores the clock.
    using Source = std::function<qint64()>;
    static void setSource(Source source);
};
