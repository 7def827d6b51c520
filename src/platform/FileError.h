#pragma once

#include "platform/AutomationError.h"

#include <QString>

// A failed file operation as the runtime reports it: the standard number for the system's error
// (no space or quota: 61 "Disk full"; a read-only file system or a refusal: 75 "Path/File
// access error"; anything else: 57 "Device I/O error"), with the standard text followed by the
// system's own, e.g. "Disk full: No space left on device".
class FileError {
public:
    static qint32 number(int systemError);
    // The standard text of number(systemError), ": ", and the system's text for it.
    static QString description(int systemError);
    // The system's own text for the error ("No space left on device").
    static QString systemText(int systemError);

    static AutomationError error(int systemError, const QString& source = {});
    [[noreturn]] static void raise(int systemError, const QString& source = {});

    // "Cannot write <file>: <the cause's description>", as 61 when the cause was a full disk and
    // as 75 otherwise: for the writers of whole documents (receipts, saved documents).
    [[noreturn]] static void raiseCannotWrite(const QString& fileName, const AutomationError& cause);
};
