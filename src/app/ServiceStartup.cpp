#include "app/ServiceStartup.h"

#include "app/StatusCountingLogger.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "controller/RulesEngine.h"
#include "platform/ComponentPluginLoader.h"
#include "platform/ComponentRegistry.h"
#include "platform/ExecutableInfo.h"
#include "platform/PrivateFiles.h"
#include "platform/ProgramFolders.h"

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
    // Logs hold customers' data: an earlier version's readable files are tightened first.
    PrivateFiles::tighten(ProgramFolders::logs());
    auto logger = ComponentRegistry::createAs<Logger>(kLoggerClass);
    logger->setLogName(ExecutableInfo::name());
    Services::setLogger(std::make_shared<StatusCountingLogger>(logger));
    Trace::write(QStringLiteral("*"));
    Trace::write(QStringLiteral("Initialising pcQUIBA, version ") + versionString());
    Trace::write(QStringLiteral("*"));
}

void ServiceStartup::reportMissingEngine()
{
    if (!ComponentPluginLoader::provides(RulesEngine::kClassId))
        Trace::write(missingEngineLine(), Trace::ErrorSeverity);
}

QString ServiceStartup::missingEngineLine()
{
    return QStringLiteral("No rules engine is installed: the component ") + RulesEngine::kClassId +
           QStringLiteral(" is missing, so nothing can be sold. The package pcquiba-simulated provides a "
                          "simulated one for trying pcQUIBA out; a kiosk that sells needs its vendor's engine package");
}

QString ServiceStartup::versionString(int major, int minor, int revision)
{
    return ExecutableInfo::versionString(major, minor, revision);
}

QString ServiceStartup::versionString()
{
    return ExecutableInfo::versionString();
}

void ServiceStartup::startLexicon(const QString& fileName)
{
    auto lexicon = ComponentRegistry::createAs<Lexicon>(kLexiconClass);
    lexicon->load(fileName);
    Services::setLexicon(lexicon);
}
