#include "app/ProcedureFrame.h"
#include "app/ServiceStartup.h"
#include "app/Services.h"
#include "components/BuiltInComponents.h"
#include "platform/ComponentPluginLoader.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    // A kiosk server without a display still serves its Sovereign: windows then go nowhere.
    const bool hasDisplay = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!hasDisplay && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    BuiltInComponents::registerAll();
    ComponentPluginLoader::loadAll();

    QString failure;
    if (!ServiceStartup::startErrorHandler(failure)) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    ProcedureFrame frame(QStringLiteral("Sub MainInitialise"), QStringLiteral("modMain"));
    ServiceStartup::startLogger();
    ComponentPluginLoader::setLogFunction(
        [](const QString& text, qint32 severity) { Services::logger().log(Variant(text), severity); });
    return 0;
}
