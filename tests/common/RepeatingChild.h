#pragma once

#include <functional>
#include <sys/types.h>

// A child process that repeats one write until it is killed and tells the test after each
// whole write. A test kills it after a number of writes instead of after a time, so what the
// kill finds does not depend on how fast the machine runs.
class RepeatingChild {
public:
    // Forks a child that runs write over and over.
    explicit RepeatingChild(std::function<void()> write);
    // Kills and reaps the child if the test did not.
    ~RepeatingChild();

    RepeatingChild(const RepeatingChild&) = delete;
    RepeatingChild& operator=(const RepeatingChild&) = delete;

    // False when the fork failed.
    bool started() const { return m_pid > 0; }
    // Waits until the child has finished count writes in all; false when it ended before.
    bool waitForWrites(int count);
    // Kills the child and reaps it; true when the kill ended it (it had not ended on its own).
    bool kill();

private:
    pid_t m_pid = -1;
    int m_reports = -1;
    int m_writes = 0;
};
