#include "components/StandardLogger.h"

#include "services/Trace.h"
#include "platform/ExecutableInfo.h"
#include "platform/LineAppender.h"
#include "platform/ProgramFolders.h"

#include <QDateTime>

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
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    LineAppender::append(fileName(), QStringLiteral("%1 %2 %3").arg(time).arg(severity).arg(Trace::valueText(text)));
}
