#pragma once

#include "app/ErrorHandler.h"

#include <QStringList>
#include <memory>

// An error handler that writes down what procedures tell it: "enter <procedure> <owner>",
// "leave" and "error <number> <procedure> <owner>", in order.
class FrameRecorder : public ErrorHandler {
public:
    // Makes a recorder the process's error handler for the life of the returned object.
    static std::shared_ptr<FrameRecorder> install();

    QString className() const override;
    void initialise(const ObjectRef& application, const QString& logFileName, qint32 options) override;
    void recordError(const AutomationError& error, qint32 line, const QString& procedure,
                     const QString& owner) override;
    qint32 errorNumber() const override;
    QString errorDescription() const override;
    QString errorHelpFile() const override;
    QString errorHelpContext() const override;
    void setHandlingMode(qint32 mode) override;
    void enterProcedure(const QString& procedure, const QString& owner, qint32 flags) override;
    void leaveProcedure() override;

    const QStringList& events() const { return m_events; }
    // The "enter" events only, without the owner.
    QStringList enteredProcedures() const;
    void clear() { m_events.clear(); }

private:
    QStringList m_events;
    AutomationError m_lastError{0, {}, {}};
};
