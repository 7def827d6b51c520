// pcquiba-voucher: renders a voucher file as the built-in receipt printer prints it
// (components/VoucherCommand).

#include "components/VoucherCommand.h"

#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Rendering needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream output(stdout);
    QTextStream errors(stderr);
    return VoucherCommand::run(QGuiApplication::arguments(), output, errors);
}
