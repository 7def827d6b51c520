#include "common/RepeatingChild.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

RepeatingChild::RepeatingChild(std::function<void()> write)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(pipeEnds[0]);
        // The child never returns into the test program, not even through an exception.
        try {
            for (;;) {
                write();
                // A full pipe blocks the child until it is killed, which is all it waits for.
                if (::write(pipeEnds[1], "w", 1) != 1)
                    _exit(1);
            }
        } catch (...) {
            _exit(2);
        }
    }
    close(pipeEnds[1]);
    if (m_pid < 0)
        close(pipeEnds[0]);
    else
        m_reports = pipeEnds[0];
}

RepeatingChild::~RepeatingChild()
{
    kill();
}

bool RepeatingChild::waitForWrites(int count)
{
    char report;
    while (m_writes < count) {
        const ssize_t got = m_reports < 0 ? 0 : read(m_reports, &report, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1)
            return false;
        ++m_writes;
    }
    return true;
}

bool RepeatingChild::kill()
{
    if (m_pid <= 0)
        return false;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    const bool reaped = waitpid(m_pid, &status, 0) == m_pid;
    m_pid = -1;
    close(m_reports);
    m_reports = -1;
    return reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}
