#pragma once

#include <QString>

// Standard error when systemd connects it to the journal (a unit's output): systemd then sets
// JOURNAL_STREAM to "device:inode" of that stream. Lines written here carry the "<priority>"
// prefix the journal reads as the line's syslog priority.
class JournalStream {
public:
    static constexpr int kErrorPriority = 3;
    static constexpr int kWarningPriority = 4;

    // Standard error and the process's JOURNAL_STREAM.
    JournalStream();
    // Tests: another descriptor and value.
    JournalStream(int descriptor, const QByteArray& journalStream);

    // Whether the descriptor is the stream JOURNAL_STREAM names.
    bool connected() const { return m_connected; }
    // Writes the text as one line at the priority; nothing when not connected. Never fails.
    void write(int priority, const QString& text) const;

private:
    int m_descriptor;
    bool m_connected;
};
