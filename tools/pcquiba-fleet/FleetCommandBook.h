#pragma once

#include <QList>
#include <QString>

class clsINIFile;

// The fleet's entries in the COMMANDS section of the main INI file, each under the key
// "fleet-<id>", and the marks of the results the broker has. A mark is an empty file
// <mark folder>/<id>, written once the broker acknowledged the result; it survives a restart of
// the agent, so a result is published until the broker has it.
class FleetCommandBook {
public:
    static constexpr int kMaxPending = 50;
    static inline const QString kKeyPrefix = QStringLiteral("fleet-");

    enum class Intake { Written, AlreadyKnown, Busy };

    struct Finished {
        QString id;
        QString status;
        QString finishedAt;  // ISO 8601 with the local offset
    };

    FleetCommandBook(clsINIFile& ini, const QString& markFolder);

    // Writes the command under its id's key, pending and due at once, unless that key is
    // already there (a message delivered twice adds nothing) or 50 fleet entries are pending.
    Intake take(const QString& id, const QString& command);
    int pendingCount() const;
    // Finished fleet entries whose result the broker does not have yet, in section order.
    QList<Finished> unpublished() const;
    // The finished state of one entry, when it is finished.
    bool finished(const QString& id, Finished& result) const;
    void markPublished(const QString& id);
    // Drops the marks of entries that left the section (pruned by the tick).
    void dropStaleMarks();

    static QString keyFor(const QString& id) { return kKeyPrefix + id; }

private:
    struct Entry {
        QString id;
        QString status;  // empty while pending
        QString when;
    };
    QList<Entry> entries() const;
    static Entry parse(const QString& id, const QString& value);
    bool isMarked(const QString& id) const;

    clsINIFile& m_ini;
    QString m_markFolder;
};
