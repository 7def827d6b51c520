#include "app/StatusCountingLogger.h"

#include "controller/StatusFile.h"

void StatusCountingLogger::log(const Variant& text, qint32 severity)
{
    StatusFile::instance().noteLogLine(severity);
    m_inner->log(text, severity);
}
