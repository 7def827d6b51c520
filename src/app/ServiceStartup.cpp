#include "app/ServiceStartup.h"

#include "app/StatusCountingLogger.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "platform/ComponentRegistry.h"
#include "platform/ExecutableInfo.h"
#include "platform/Format.h"

bool ServiceStartup::startErrorHandler(QString& failureMessage)
{
    try {
        auto handler = ComponentRegistry::createAs<ErrorHandler>(kErrorHandlerClass);
        handler->initialise(nullptr, QStringLiteral("error.log"), 2);
        Services::setErrorHandler(handler);
        return true;
    } catch (const AutomationError& error) {
        failureMessage = QStringLiteral("Unable to initialise Error Handler:\r\nError %1: %2")
                             .arg(error.number())
                             .arg(error.description());
        return false;
    }
}

void ServiceStartup::startLogger()
{
    auto logger = ComponentRegistry::createAs<Logger>(kLoggerClass);
    logger->setLogName(ExecutableInfo::name());
    Services::setLogger(std::make_shared<StatusCountingLogger>(logger));
    Trace::write(QStringLiteral("*"));
    Trace::write(QStringLiteral("Initialising pcQUIBA, version ") + versionString());
    Trace::write(QStringLiteral("*"));
}

QString ServiceStartup::versionString(int major, int minor, int revision)
{
    const auto part = [](int value) { return Format::format(Variant(qint32(value)), QStringLiteral("00")); };
    return QStringLiteral("VB.") + part(major) + u'.' + part(minor) + u'.' + part(revision);
}

QString ServiceStartup::versionString()
{
    return versionString(ExecutableInfo::majorVersion(), ExecutableInfo::minorVersion(), ExecutableInfo::revision());
}

void ServiceStartup::startLexicon(const QString& fileName)
{
    auto lexicon = ComponentRegistry::createAs<Lexicon>(kLexiconClass);
    lexicon->load(fileName);
    Services::setLexicon(lexicon);
}
