#pragma once

#include <QtGlobal>
#include <functional>

// The installer program's wait for the pcQUIBA that handed over: until that process has ended
// (a process that has ended but was not yet collected by its parent counts as ended), at most
// a bounded time on Clock.
class PackageInstallerWait {
public:
    static constexpr qint64 kMaxWaitMilliseconds = 60000;
    static constexpr int kStepMilliseconds = 100;
    // Waits the given milliseconds; tests pass their own and move Clock.
    using Pause = std::function<void(int milliseconds)>;

    // True once the process has ended; false when it still runs after the bound.
    static bool untilEnded(qint64 processId, const Pause& pause = sleep,
                           qint64 maxMilliseconds = kMaxWaitMilliseconds);
    static bool isRunning(qint64 processId);

private:
    static void sleep(int milliseconds);
};
