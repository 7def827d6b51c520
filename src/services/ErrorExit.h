#pragma once

#include "platform/AutomationError.h"

class ProcedureFrame;

// What a procedure does with an error it did not expect. Every form first records the error
// with the error handler, sets handling mode 3 and leaves the frame; then
// - a class raises quibaGeneralError, "General Error: " + the recorded description, from its
//   source name;
// - a module raises the recorded error again from the executable's name + "." + the module;
// - a library class raises the error again unchanged, with its number and text.
class ErrorExit {
public:
    static ErrorExit forClass(const QString& sourceName);
    static ErrorExit forModule();
    static ErrorExit rethrow();

    [[noreturn]] void take(ProcedureFrame& frame, const AutomationError& error) const;

private:
    enum class Kind { Class, Module, Rethrow };
    ErrorExit(Kind kind, QString sourceName);

    Kind m_kind;
    QString m_sourceName;
};
