#include "platform/AutomationError.h"

#include "platform/RuntimeErrors.h"

#include <new>

AutomationError::AutomationError(qint32 number, QString source, QString description, QString helpFile,
                                 QString helpContext)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_helpFile(std::move(helpFile))
    , m_helpContext(std::move(helpContext))
    , m_what(QStringLiteral("%1 (%2): %3").arg(m_number).arg(m_source, m_description).toUtf8())
{
}

const char* AutomationError::what() const noexcept
{
    return m_what.constData();
}

AutomationError AutomationError::fromCurrentException()
{
    try {
        throw;
    } catch (const AutomationError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return RuntimeErrors::error(RuntimeErrors::OutOfMemory);
    } catch (const std::exception& error) {
        return AutomationError(RuntimeErrors::InternalError, RuntimeErrors::defaultSource(),
                               RuntimeErrors::text(RuntimeErrors::InternalError) + QStringLiteral(": ")
                                   + QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return RuntimeErrors::error(RuntimeErrors::InternalError);
    }
}
