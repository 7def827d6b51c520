#include "app/TerminationSignals.h"

#include "app/Watchdog.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// [0] is written by the handler, [1] read by the event loop.
int s_pipe[2] = {-1, -1};

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_pipe) != 0)
        return;
    ::fcntl(s_pipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(s_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(s_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    struct sigaction action = {};
    action.sa_handler = &TerminationSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    for (const int signalNumber : kSignals)
        ::signal(signalNumber, SIG_DFL);
    for (int& end : s_pipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void TerminationSignals::handle(int signalNumber)
{
    // Only async-signal-safe calls here.
    const int saved = errno;
    // Should the loop or the engine hold the orderly end, the watchdog ends the process.
    Watchdog::noteTermination(signalNumber);
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[0], &number, 1);
    errno = saved;
}

void TerminationSignals::readPending()
{
    unsigned char number = 0;
    while (::read(s_pipe[1], &number, 1) == 1)
        Q_EMIT received(number);
}
