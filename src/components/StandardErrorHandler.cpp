#include "components/StandardErrorHandler.h"

#include "platform/Clock.h"
#include "platform/ProgramFolders.h"

#include <QDir>

QString StandardErrorHandler::classId()
{
    return QStringLiteral("QuibaTrace.ErrorHandler");
}

void StandardErrorHandler::initialise(const ObjectRef&, const QString& logFileName, qint32)
{
    m_logFileName = QDir::isAbsolutePath(logFileName) ? logFileName
                                                      : ProgramFolders::logs() + u'/' + logFileName;
    m_file.setFileName(m_logFileName);
}

void StandardErrorHandler::recordError(const AutomationError& error, qint32 line, const QString& procedure,
                                       const QString& owner)
{
    MemoryErrorHandler::recordError(error, line, procedure, owner);
    if (m_logFileName.isEmpty())
        return;
    const QDateTime moment = Clock::now();
    m_file.append(moment, errorLine(moment, error, line, procedure, owner));
}

QString StandardErrorHandler::errorLine(const QDateTime& moment, const AutomationError& error, qint32 line,
                                        const QString& procedure, const QString& owner) const
{
    const QString time = moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return QStringLiteral("%1 | %2 | %3 | %4 | %5 | line %6 | %7 | %8")
        .arg(time, QString::number(error.number()), error.description(), procedure, owner, QString::number(line),
             error.source(), m_stack.join(QStringLiteral(" > ")));
}

void StandardErrorHandler::setHandlingMode(qint32 mode)
{
    m_handlingMode = mode;
}

void StandardErrorHandler::enterProcedure(const QString& procedure, const QString& owner, qint32)
{
    m_stack.append(owner + u'.' + procedure);
}

void StandardErrorHandler::leaveProcedure()
{
    if (!m_stack.isEmpty())
        m_stack.removeLast();
}
