#include "fakes/EscPosPrinterSimulator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct StatusBytes {
    EscPosPrinterSimulator::State state;
    // DLE EOT 1 (printer), 2 (offline cause), 4 (roll paper sensor).
    quint8 printer;
    quint8 cause;
    quint8 paper;
};

// Fixed bits 1 and 4 set in every answer; offline bit 3; cover open bit 2 and stopped by
// paper end bit 5 of the cause; near end bits 2-3 and paper end bits 5-6 of the sensor.
constexpr StatusBytes kStatus[] = {
    {EscPosPrinterSimulator::State::Ready, 0x12, 0x12, 0x12},
    {EscPosPrinterSimulator::State::PaperNearEnd, 0x12, 0x12, 0x1E},
    {EscPosPrinterSimulator::State::PaperEnd, 0x1A, 0x32, 0x7E},
    {EscPosPrinterSimulator::State::CoverOpen, 0x1A, 0x16, 0x12},
    {EscPosPrinterSimulator::State::Offline, 0x1A, 0x12, 0x12},
};

qsizetype cutsIn(const EscPosJobDecoder& decoder)
{
    return std::count_if(decoder.items().cbegin(), decoder.items().cend(),
                         [](const auto& item) { return item.kind == EscPosJobDecoder::Item::Kind::Cut; });
}

} // namespace

EscPosPrinterSimulator::EscPosPrinterSimulator(Transport transport)
    : m_transport(transport), m_decoder([this](int n) { return answers(m_state, n); })
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        std::abort();
    if (transport == Transport::Tcp) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_listener, 4) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        m_device = QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(address.sin_port));
    } else {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            std::abort();
        m_device = QString::fromLocal8Bit(::ptsname(m_master));
        // Held open so that the far end never sees the terminal hang up between jobs.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    m_thread = std::thread([this] { run(); });
}

EscPosPrinterSimulator::~EscPosPrinterSimulator()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    const char stop = 0;
    (void)::write(m_wake[1], &stop, 1);
    m_thread.join();
    for (int fd : {m_listener, m_master, m_slave, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

QByteArray EscPosPrinterSimulator::answers(State state, int n)
{
    for (const StatusBytes& status : kStatus) {
        if (status.state != state)
            continue;
        if (n == 1)
            return QByteArray(1, char(status.printer));
        if (n == 2)
            return QByteArray(1, char(status.cause));
        if (n == 4)
            return QByteArray(1, char(status.paper));
    }
    return {};
}

void EscPosPrinterSimulator::setState(State state)
{
    const std::lock_guard lock(m_mutex);
    m_state = state;
}

void EscPosPrinterSimulator::setStateAfterCut(State state)
{
    const std::lock_guard lock(m_mutex);
    m_stateAfterCut = state;
    m_changeAfterCut = true;
}

void EscPosPrinterSimulator::closeAfterBytes(qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    m_closeAfter = bytes;
}

void EscPosPrinterSimulator::hold()
{
    const std::lock_guard lock(m_mutex);
    m_held = true;
}

void EscPosPrinterSimulator::release()
{
    {
        const std::lock_guard lock(m_mutex);
        m_held = false;
    }
    m_released.notify_all();
}

bool EscPosPrinterSimulator::keepsWaiting() const
{
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

EscPosJobDecoder EscPosPrinterSimulator::decoded() const
{
    const std::lock_guard lock(m_mutex);
    return m_decoder;
}

qint64 EscPosPrinterSimulator::connections() const
{
    const std::lock_guard lock(m_mutex);
    return m_connections;
}

QByteArray EscPosPrinterSimulator::take(const QByteArray& bytes)
{
    const std::lock_guard lock(m_mutex);
    const qsizetype cutsBefore = cutsIn(m_decoder);
    // Byte by byte, so that a state change after a cut applies to the requests behind it.
    QByteArray answers;
    for (char byte : bytes) {
        answers += m_decoder.feed(QByteArray(1, byte));
        if (m_changeAfterCut && cutsIn(m_decoder) > cutsBefore) {
            m_state = m_stateAfterCut;
            m_changeAfterCut = false;
        }
    }
    return answers;
}

void EscPosPrinterSimulator::run()
{
    if (m_transport == Transport::PseudoTerminal) {
        serve(m_master);
        return;
    }
    for (;;) {
        std::array<pollfd, 2> waits{pollfd{m_listener, POLLIN, 0}, pollfd{m_wake[0], POLLIN, 0}};
        if (::poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR)
            return;
        if (waits[1].revents)
            return;
        if (waits[0].revents & POLLIN) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            {
                const std::lock_guard lock(m_mutex);
                ++m_connections;
            }
            serve(client);
            ::close(client);
        }
    }
}

// Reads one connection (or the terminal) until it ends or the simulator stops.
void EscPosPrinterSimulator::serve(int fd)
{
    qint64 received = 0;
    for (;;) {
        std::array<pollfd, 2> waits{pollfd{fd, POLLIN, 0}, pollfd{m_wake[0], POLLIN, 0}};
        if (::poll(waits.data(), waits.size(), -1) < 0 && errno != EINTR)
            return;
        if (waits[1].revents)
            return;
        if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        {
            std::unique_lock lock(m_mutex);
            m_waiting = m_held;
            m_released.wait(lock, [&] { return !m_held || m_stopping; });
            m_waiting = false;
            if (m_stopping)
                return;
        }
        std::array<char, 4096> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0)
            return;
        qint64 limit = 0;
        {
            const std::lock_guard lock(m_mutex);
            limit = m_closeAfter;
        }
        qsizetype use = got;
        if (limit > 0 && received + got >= limit)
            use = qsizetype(limit - received);
        received += use;
        const QByteArray answer = take(QByteArray(buffer.data(), use));
        if (limit > 0 && received >= limit)
            return;
        if (!answer.isEmpty())
            (void)::write(fd, answer.constData(), size_t(answer.size()));
    }
}
