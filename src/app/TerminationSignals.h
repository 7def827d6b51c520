#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as a Qt signal: the handler only writes the signal's number into a
// pipe, and the event loop reads it, so that the process ends in order (engine stopped first)
// instead of dying inside whatever it was doing. One object per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};
