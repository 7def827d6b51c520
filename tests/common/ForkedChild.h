#pragma once

#include <QDeadlineTimer>
#include <QThread>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a forked child, for faults that end a process (a crash, a watchdog's exit). The
// child leaves no core file and never returns into the test program: a body that returns exits
// with kReturned. The wait is bounded only so that a broken child cannot hold the test run; it
// is far longer than any of these children takes.
class ForkedChild {
public:
    static constexpr int kReturned = 99;
    static constexpr int kWaitMilliseconds = 60000;

    explicit ForkedChild(const std::function<void()>& body)
    {
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        body();
        ::_exit(kReturned);
    }
    ~ForkedChild()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    pid_t pid() const { return m_pid; }

    // The child's wait status; -1 when it did not end within the bound (it is then killed).
    int wait()
    {
        QDeadlineTimer deadline(kWaitMilliseconds);
        while (m_pid > 0 && !m_reaped) {
            int status = 0;
            const pid_t reaped = ::waitpid(m_pid, &status, WNOHANG);
            if (reaped == m_pid) {
                m_reaped = true;
                return status;
            }
            if (reaped < 0 || deadline.hasExpired())
                break;
            QThread::msleep(5);
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};
