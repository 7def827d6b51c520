#pragma once

#include "platform/DailyLogFile.h"
#include "services/MemoryErrorHandler.h"

#include <QStringList>

// The built-in error handler. It keeps the stack of entered procedures and, once initialised
// with a log file name, appends every recorded error to that file (relative names go to the
// program's logs folder; it holds today's lines, DailyLogFile moves earlier days aside): time,
// number, description, procedure, class or module, and the procedure stack from the outermost. The last error is kept as the in-memory stand-in keeps it.
class StandardErrorHandler : public MemoryErrorHandler {
public:
    static QString classId();

    void initialise(const ObjectRef& application, const QString& logFileName, qint32 options) override;
    void recordError(const AutomationError& error, qint32 line, const QString& procedure,
                     const QString& owner) override;
    void setHandlingMode(qint32 mode) override;
    void enterProcedure(const QString& procedure, const QString& owner, qint32 flags) override;
    void leaveProcedure() override;

    QString logFileName() const { return m_logFileName; }
    qint32 handlingMode() const { return m_handlingMode; }
    // "owner.procedure" of every procedure entered and not yet left, outermost first.
    QStringList procedureStack() const { return m_stack; }

private:
    QString errorLine(const QDateTime& moment, const AutomationError& error, qint32 line, const QString& procedure,
                      const QString& owner) const;

    QString m_logFileName;
    DailyLogFile m_file;
    QStringList m_stack;
    qint32 m_handlingMode = 0;
};
