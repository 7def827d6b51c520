#include "app/ProcedureFrame.h"
#include "app/ServiceStartup.h"
#include "components/BuiltInComponents.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    BuiltInComponents::registerAll();

    QString failure;
    if (!ServiceStartup::startErrorHandler(failure)) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    ProcedureFrame frame(QStringLiteral("Sub MainInitialise"), QStringLiteral("modMain"));
    ServiceStartup::startLogger();
    return 0;
}
