#include "components/BuiltInComponents.h"

#include "components/BuiltInConfigurationUtility.h"
#include "components/IniCommandEntry.h"
#include "components/OfflineHostFactory.h"
#include "components/OfflineRulesEngine.h"
#include "components/PackageInstaller.h"
#include "components/QuibaXmlDocument.h"
#include "components/ReceiptPrinter.h"
#include "components/StandardErrorHandler.h"
#include "components/StandardLogger.h"
#include "components/TextFileLexicon.h"
#include "platform/ComponentRegistry.h"

namespace {

template <class Component>
void registerComponent()
{
    ComponentRegistry::registerFactory(Component::classId(), [] { return std::make_shared<Component>(); });
}

} // namespace

void BuiltInComponents::registerAll()
{
    registerComponent<StandardErrorHandler>();
    registerComponent<StandardLogger>();
    registerComponent<TextFileLexicon>();
    registerComponent<OfflineRulesEngine>();
    registerComponent<OfflineHostFactory>();
    registerComponent<IniCommandEntry>();
    registerComponent<PackageInstaller>();
    registerComponent<QuibaXmlDocument>();
    registerComponent<ReceiptPrinter>();
    registerComponent<BuiltInConfigurationUtility>();
}
