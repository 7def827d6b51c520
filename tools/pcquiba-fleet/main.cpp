#include "FleetCommandLine.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

// SIGTERM and SIGINT end the event loop, so that the agent says "offline" before it goes.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    // exit() rather than quit(): it also ends the operator's own event loops, outside exec().
    QObject::connect(&notifier, &QSocketNotifier::activated, &application, [] { QCoreApplication::exit(0); });
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
    return FleetCommandLine::run(QCoreApplication::arguments());
}
