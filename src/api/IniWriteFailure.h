#pragma once

#include <QString>

class ProcedureFrame;
class clsINIFile;

// A Sovereign's write to an INI file that could not be made is reported, never taken for done:
// the file stays as it was, a line at severity 4 names the file and the reason, and the call
// raises quibaGeneralError with the reason ("General Error: Disk full: No space left on device").
class IniWriteFailure {
public:
    // Raises through the frame when the accessor's last write failed; returns otherwise.
    static void raiseIfAny(ProcedureFrame& frame, const QString& className, const clsINIFile& ini);
};
