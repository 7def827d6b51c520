#pragma once

#include "services/ErrorExit.h"
#include "services/QuibaErrors.h"

#include <QString>

// The trace frame of one procedure: it announces the procedure to the error handler when made
// and leaves exactly once, on whatever path the procedure ends.
//
//     ProcedureFrame frame(u"Function GetLong"_s, u"clsINIFile"_s);
//     return frame.run(ErrorExit::rethrow(), [&] { ... });
//
// An expected error is raised with raise(), which leaves first, so that the error exit lets it
// pass unchanged. The innermost frame of the main thread is shown in ProcedureSlot, for the
// watchdog and the crash line.
class ProcedureFrame {
public:
    ProcedureFrame(const QString& procedure, const QString& owner);
    ~ProcedureFrame();

    ProcedureFrame(const ProcedureFrame&) = delete;
    ProcedureFrame& operator=(const ProcedureFrame&) = delete;

    const QString& procedure() const { return m_procedure; }
    const QString& owner() const { return m_owner; }
    bool hasLeft() const { return m_left; }

    // Leaves now; later calls and the destructor do nothing.
    void leave();

    // Leaves, then throws the error past the procedure's error exit.
    [[noreturn]] void raise(const AutomationError& error);
    // Leaves, then raises a catalogued code from a public class: its description comes from
    // ErrText after the frame has left, so a failing lexicon is not taken for this procedure's
    // own error.
    [[noreturn]] void raise(quibaErrors code, const QString& className, const VariantArray& arguments = {});

    // Runs the procedure's body; an error it did not expect goes to the given exit.
    template <class Body>
    auto run(const ErrorExit& exit, Body&& body) -> decltype(body())
    {
        try {
            return body();
        } catch (...) {
            if (m_left)
                throw;
            exit.take(*this, AutomationError::fromCurrentException());
        }
    }

private:
    QString m_procedure;
    QString m_owner;
    bool m_left = false;
    // The frame this one was entered inside, on this thread.
    const ProcedureFrame* m_outer = nullptr;
};
