#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The way to an ESC/POS printer: a raw TCP port ("tcp://HOST[:PORT]", port 9100 when none is
// given) or a device file (a USB printer such as /dev/usb/lp0, or a serial line, which is put
// in raw mode). Every wait is bounded by the time-out given to open: finding the host and
// connecting together, each status answer, and writing a job (the time-out for each 64 KB
// begun). Nothing waits longer; failures raise 57 (Device I/O error) with a fixed text.
class EscPosConnection {
public:
    static constexpr int kDefaultPort = 9100;
    static constexpr qsizetype kBytesPerTimeout = 64 * 1024;

    // "Printer <device> cannot be reached: <reason>".
    static EscPosConnection open(const QString& device, int timeoutMs);

    EscPosConnection(EscPosConnection&& other) noexcept;
    EscPosConnection& operator=(EscPosConnection&& other) noexcept;
    EscPosConnection(const EscPosConnection&) = delete;
    EscPosConnection& operator=(const EscPosConnection&) = delete;
    ~EscPosConnection();

    // Sends all bytes: "Printer does not answer" when the printer takes them too slowly,
    // "Printer connection broken: <reason>" when the connection fails.
    void write(const QByteArray& bytes);
    // Sends a request and reads up to count answer bytes that pass accept, until the time-out;
    // bytes that arrived before the request are dropped first.
    QByteArray ask(const QByteArray& request, qsizetype count, bool (*accept)(quint8));

    static QString unreachableText(const QString& device, const QString& reason);
    static QString brokenText(const QString& reason);

private:
    EscPosConnection(int fd, int timeoutMs, bool socket);
    void drain();

    int m_fd = -1;
    int m_timeoutMs = 0;
    bool m_socket = false;
};
