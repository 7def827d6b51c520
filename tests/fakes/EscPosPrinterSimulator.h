#pragma once

#include "fakes/EscPosJobDecoder.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

// An ESC/POS receipt printer for the tests, on a thread of its own: a TCP server on an
// ephemeral port of the loopback interface, or the far end of a pseudo-terminal whose device
// file the program opens. It decodes every job it receives (EscPosJobDecoder) and answers
// real-time status requests from the state the test sets.
class EscPosPrinterSimulator {
public:
    enum class State { Ready, PaperNearEnd, PaperEnd, CoverOpen, Offline, NoAnswer };
    enum class Transport { Tcp, PseudoTerminal };

    explicit EscPosPrinterSimulator(Transport transport = Transport::Tcp);
    ~EscPosPrinterSimulator();
    EscPosPrinterSimulator(const EscPosPrinterSimulator&) = delete;
    EscPosPrinterSimulator& operator=(const EscPosPrinterSimulator&) = delete;

    // What printer_device names: tcp://127.0.0.1:PORT or the pseudo-terminal's device file.
    QString device() const { return m_device; }

    void setState(State state);
    // The state the printer takes once it has read a cut (the paper ends during the job).
    void setStateAfterCut(State state);
    // Drops the connection once this many bytes have come (0: never).
    void closeAfterBytes(qint64 bytes);
    // While held, the printer reads nothing (a job or a status request waits) until release().
    void hold();
    void release();
    // True once a held printer has bytes waiting to be read.
    bool keepsWaiting() const;

    // The answers of a state to DLE EOT 1, 2 and 4 (nothing when it does not answer).
    static QByteArray answers(State state, int n);

    // What the printer has read so far.
    EscPosJobDecoder decoded() const;
    qint64 connections() const;

private:
    void run();
    void serve(int fd);
    QByteArray take(const QByteArray& bytes);

    Transport m_transport;
    QString m_device;
    int m_listener = -1;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    State m_state = State::Ready;
    State m_stateAfterCut = State::Ready;
    bool m_changeAfterCut = false;
    qint64 m_closeAfter = 0;
    bool m_held = false;
    bool m_waiting = false;
    bool m_stopping = false;
    std::condition_variable m_released;
    qint64 m_connections = 0;
    EscPosJobDecoder m_decoder;
};
