#pragma once

#include <QString>
#include <functional>

// A traced procedure of a window (the controller, the start screen): it enters and leaves the
// trace like every procedure, and an error it did not expect is recorded with the error
// handler and ends the procedure there, without reaching its caller, as a window's handlers
// report their failures.
class FormProcedure {
public:
    // True when the body ran to its end.
    static bool run(const QString& procedure, const QString& formName, const std::function<void()>& body);
};
