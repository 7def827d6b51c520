#include "components/StandardLogger.h"

#include "platform/Clock.h"
#include "services/Trace.h"
#include "platform/ExecutableInfo.h"
#include "platform/ProgramFolders.h"

QString StandardLogger::classId()
{
    return QStringLiteral("QuibaTrace.Logger");
}

StandardLogger::StandardLogger() : m_logName(ExecutableInfo::name()) {}

QString StandardLogger::className() const
{
    return QStringLiteral("Logger");
}

void StandardLogger::setLogName(const QString& name)
{
    if (!name.isEmpty())
        m_logName = name;
}

void StandardLogger::setThreshold(qint32 threshold)
{
    m_threshold = threshold;
}

QString StandardLogger::fileName() const
{
    return ProgramFolders::logs() + u'/' + m_logName + QStringLiteral(".log");
}

void StandardLogger::log(const Variant& text, qint32 severity)
{
    if (severity < m_threshold)
        return;
    const QDateTime moment = Clock::now();
    const QString time = moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    const QString line = Trace::valueText(text);
    m_file.setFileName(fileName());
    m_file.append(moment, QStringLiteral("%1 %2 %3").arg(time).arg(severity).arg(line));
    if (severity >= kJournalSeverity)
        m_journal.write(severity > kJournalSeverity ? JournalStream::kErrorPriority : JournalStream::kWarningPriority,
                        line);
}
