#pragma once

#include <QByteArray>
#include <QString>

// The JSON messages of the fleet's topics (docs/fleet.md).
class FleetMessages {
public:
    static constexpr qsizetype kMaxMessageBytes = 4096;
    static constexpr qsizetype kMaxCommandLength = 965;

    struct Command {
        QString id;       // empty when no valid id could be read: nothing can be answered
        QString command;
        QString refusal;  // why the command is not taken; empty when it is
    };

    // Reads {"id": ..., "command": ...}; a message over 4 KiB, a command over 965 characters
    // or one with control characters (they would break the INI file's lines) is refused.
    static Command parseCommand(const QByteArray& payload);
    static QByteArray command(const QString& id, const QString& command);

    struct Result {
        QString id;
        QString status;
        QString finishedAt;
        QString detail;
    };
    static QByteArray result(const Result& result);
    // False for a payload that is not a result.
    static bool parseResult(const QByteArray& payload, Result& result);
};
