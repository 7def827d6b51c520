#include "components/BuiltInComponents.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    BuiltInComponents::registerAll();
    return 0;
}
