#pragma once

#include <QByteArray>
#include <QString>

class EscPosConnection;

// A printer's real-time status (DLE EOT): the printer status (n = 1), the offline cause
// (n = 2) and the roll paper sensor (n = 4), asked together and answered within the
// connection's time-out. Each state that stops a print has a fixed text, raised as 57.
class EscPosStatus {
public:
    enum class State { Ready, PaperEnd, CoverOpen, Offline, NoAnswer };

    // The three requests: DLE EOT 1, DLE EOT 2, DLE EOT 4.
    static QByteArray request();
    // An answer byte: bits 0 and 7 clear, bits 1 and 4 set; anything else is not an answer.
    static bool isAnswer(quint8 byte);
    // The status of the answers to the three requests; NoAnswer when fewer came.
    static EscPosStatus fromAnswers(const QByteArray& answers);
    static EscPosStatus ask(EscPosConnection& connection);

    // "Printer ready", "Printer paper end", "Printer cover open", "Printer offline",
    // "Printer does not answer".
    static QString text(State state);
    static QString nearEndText();

    State state() const { return m_state; }
    bool paperNearEnd() const { return m_nearEnd; }
    // The state's text, with the near-end note when the paper runs low.
    QString description() const;

    // Logs the near-end warning; raises 57 with the state's text unless the printer is ready.
    void raiseUnlessReady() const;

private:
    State m_state = State::NoAnswer;
    bool m_nearEnd = false;
};
