#include "components/EscPosConnection.h"

#include "components/EscPosStatus.h"
#include "platform/RuntimeErrors.h"

#include <QDeadlineTimer>
#include <QUrl>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kTcpScheme = u"tcp://"_s;

[[noreturn]] void raiseDeviceError(const QString& text)
{
    RuntimeErrors::raise(RuntimeErrors::DeviceIoError, {}, text);
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int remaining(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

// A name lookup in a thread of its own, so that the wait for it is bounded: a lookup the
// deadline gives up on ends on its own and frees its state.
struct HostLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int result = 0;
    addrinfo* addresses = nullptr;

    ~HostLookup()
    {
        if (addresses)
            freeaddrinfo(addresses);
    }
};

std::shared_ptr<HostLookup> lookUp(const QByteArray& host, const QByteArray& port, const QDeadlineTimer& deadline)
{
    auto lookup = std::make_shared<HostLookup>();
    std::thread([lookup, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* addresses = nullptr;
        const int result = getaddrinfo(host.constData(), port.constData(), &hints, &addresses);
        const std::lock_guard lock(lookup->mutex);
        lookup->result = result;
        lookup->addresses = addresses;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, std::chrono::milliseconds(remaining(deadline)), [&] { return lookup->finished; }))
        return nullptr;
    return lookup;
}

// Waits until the descriptor is ready for events or the deadline passes; false on time-out.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, remaining(deadline));
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true;
    }
}

int connectTo(const addrinfo& address, const QDeadlineTimer& deadline, int& error)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return fd;
    error = errno;
    if (error == EINPROGRESS) {
        if (!waitFor(fd, POLLOUT, deadline)) {
            error = ETIMEDOUT;
        } else {
            socklen_t length = sizeof(error);
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            if (error == 0)
                return fd;
        }
    }
    ::close(fd);
    return -1;
}

int openTcp(const QString& device, const QDeadlineTimer& deadline)
{
    const QUrl url(device);
    if (!url.isValid() || url.host().isEmpty())
        raiseDeviceError(EscPosConnection::unreachableText(device, u"no host"_s));
    const QByteArray port = QByteArray::number(url.port(EscPosConnection::kDefaultPort));
    const std::shared_ptr<HostLookup> lookup = lookUp(url.host().toUtf8(), port, deadline);
    if (!lookup)
        raiseDeviceError(EscPosConnection::unreachableText(device, reason(ETIMEDOUT)));
    if (lookup->result != 0)
        raiseDeviceError(EscPosConnection::unreachableText(device, QString::fromLocal8Bit(gai_strerror(lookup->result))));
    int error = 0;
    for (const addrinfo* address = lookup->addresses; address; address = address->ai_next) {
        const int fd = connectTo(*address, deadline, error);
        if (fd >= 0)
            return fd;
    }
    raiseDeviceError(EscPosConnection::unreachableText(device, reason(error)));
}

int openDevice(const QString& device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raiseDeviceError(EscPosConnection::unreachableText(device, reason(errno)));
    // A serial line passes every byte as it is: ESC/POS is binary.
    termios settings{};
    if (::isatty(fd) && ::tcgetattr(fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

} // namespace

QString EscPosConnection::unreachableText(const QString& device, const QString& why)
{
    return u"Printer "_s + device + u" cannot be reached: "_s + why;
}

QString EscPosConnection::brokenText(const QString& why)
{
    return u"Printer connection broken: "_s + why;
}

EscPosConnection EscPosConnection::open(const QString& device, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (device.startsWith(kTcpScheme, Qt::CaseInsensitive))
        return EscPosConnection(openTcp(device, deadline), timeoutMs, true);
    if (device.isEmpty())
        raiseDeviceError(unreachableText(device, u"no printer_device"_s));
    return EscPosConnection(openDevice(device), timeoutMs, false);
}

EscPosConnection::EscPosConnection(int fd, int timeoutMs, bool socket)
    : m_fd(fd), m_timeoutMs(timeoutMs), m_socket(socket)
{
}

EscPosConnection::EscPosConnection(EscPosConnection&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_timeoutMs(other.m_timeoutMs), m_socket(other.m_socket)
{
}

EscPosConnection& EscPosConnection::operator=(EscPosConnection&& other) noexcept
{
    std::swap(m_fd, other.m_fd);
    m_timeoutMs = other.m_timeoutMs;
    m_socket = other.m_socket;
    return *this;
}

EscPosConnection::~EscPosConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void EscPosConnection::write(const QByteArray& bytes)
{
    const QDeadlineTimer deadline(qint64(m_timeoutMs) * (1 + bytes.size() / kBytesPerTimeout));
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const char* data = bytes.constData() + sent;
        const auto size = size_t(bytes.size() - sent);
        // A socket whose printer has gone must not end the program with SIGPIPE.
        const ssize_t written = m_socket ? ::send(m_fd, data, size, MSG_NOSIGNAL) : ::write(m_fd, data, size);
        if (written >= 0) {
            sent += written;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            raiseDeviceError(brokenText(reason(errno)));
        if (!waitFor(m_fd, POLLOUT, deadline))
            raiseDeviceError(EscPosStatus::text(EscPosStatus::State::NoAnswer));
    }
}

void EscPosConnection::drain()
{
    std::array<char, 256> buffer{};
    while (::read(m_fd, buffer.data(), buffer.size()) > 0) {
    }
}

QByteArray EscPosConnection::ask(const QByteArray& request, qsizetype count, bool (*accept)(quint8))
{
    drain();
    write(request);
    const QDeadlineTimer deadline(m_timeoutMs);
    QByteArray answer;
    while (answer.size() < count) {
        char byte = 0;
        const ssize_t got = ::read(m_fd, &byte, 1);
        if (got == 1) {
            if (accept(quint8(byte)))
                answer.append(byte);
            continue;
        }
        if (got == 0)
            raiseDeviceError(brokenText(u"closed by the printer"_s));
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            raiseDeviceError(brokenText(reason(errno)));
        if (!waitFor(m_fd, POLLIN, deadline))
            break;
    }
    return answer;
}
