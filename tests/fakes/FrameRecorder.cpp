#include "fakes/FrameRecorder.h"

#include "app/Services.h"

using namespace Qt::StringLiterals;

std::shared_ptr<FrameRecorder> FrameRecorder::install()
{
    auto recorder = std::make_shared<FrameRecorder>();
    Services::setErrorHandler(recorder);
    return recorder;
}

QString FrameRecorder::className() const
{
    return u"FrameRecorder"_s;
}

void FrameRecorder::initialise(const ObjectRef&, const QString&, qint32) {}

void FrameRecorder::recordError(const AutomationError& error, qint32, const QString& procedure, const QString& owner)
{
    m_lastError = error;
    m_events.append(u"error %1 %2 %3"_s.arg(error.number()).arg(procedure, owner));
}

qint32 FrameRecorder::errorNumber() const
{
    return m_lastError.number();
}

QString FrameRecorder::errorDescription() const
{
    return m_lastError.description();
}

QString FrameRecorder::errorHelpFile() const
{
    return m_lastError.helpFile();
}

QString FrameRecorder::errorHelpContext() const
{
    return m_lastError.helpContext();
}

void FrameRecorder::setHandlingMode(qint32) {}

void FrameRecorder::enterProcedure(const QString& procedure, const QString& owner, qint32)
{
    m_events.append(u"enter %1 %2"_s.arg(procedure, owner));
}

void FrameRecorder::leaveProcedure()
{
    m_events.append(u"leave"_s);
}

QStringList FrameRecorder::enteredProcedures() const
{
    QStringList procedures;
    for (const QString& event : m_events) {
        if (event.startsWith(u"enter "_s))
            procedures.append(event.mid(6).section(u' ', 0, -2));
    }
    return procedures;
}
