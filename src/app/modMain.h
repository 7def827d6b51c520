#pragma once

#include "platform/Dictionary.h"

#include <QStringList>
#include <memory>
#include <optional>

// The process entry: MainInitialise builds the process-wide state once; Main then either
// waits for the Sovereign (an automation start) or carries out the hand-start command line:
// "/c" configuration, "/g" kiosk, "/s" start screen, "/f" flush the fragment folder.
class modMain {
public:
    static inline const QString kModuleName = QStringLiteral("modMain");

    // Builds the process-wide state unless that was done already. An answer means the
    // process must end now with that exit code: 0 for a second instance (silently), 1 when
    // the error handler could not be made (after telling the operator).
    static std::optional<int> MainInitialise();
    // Lets the automation objects run MainInitialise (ProcessInitialiser) without including
    // the start-up.
    static void registerInitialiser();

    // Runs the start for the given command line (a hand start's words after the program
    // name). An answer means the process ends now with that exit code; none means it lives
    // on in the event loop until its end condition (ProcessLifetime).
    static std::optional<int> Main(const QString& commandLine);

    // The switches and positional words of a command line: keys "/" + one letter and "pos" +
    // the position; the first occurrence of a key wins. Keys compare without regard to case
    // unless caseSensitive.
    static std::shared_ptr<Dictionary> ParseCommandLine(const QString& commandLine, bool caseSensitive);

    // The command line a shell's argument list stands for: words joined by blanks, and a
    // word holding blanks quoted again (after its "=" or ":" when it is a switch with a value),
    // unless that value is already enclosed in quotes.
    static QString commandLineFromArguments(const QStringList& arguments);

    // Deletes the regular files directly inside the folder, read-only ones too. Links, folders
    // and everything below are left alone, and nothing happens when the folder is empty text,
    // the file-system root or the program root.
    static void flushFragmentFolder(const QString& folder);

    // The most positional words a command line may name; later ones are read and dropped.
    static constexpr qint16 kMostPositions = 32767;

private:
    static QString quotedWord(const QString& argument);
    static void readGeneralKeys();
    static void resolvePaths();
    static QString startCommand(const QString& commandLine);
    static void runConfiguration(const QString& value);
    static void runKiosk(const QString& startAt);
    static void runStartScreen(const QString& value);
    static void installStartScreenHooks();
};
