// pcquiba-voucher FILE --pdf OUT | --png OUT
// Renders a voucher file (plain or compressed) as the built-in receipt printer prints it, with
// the PRINTER keys and logo folder of the INI file pcquiba would use.

#include "components/ReceiptOutput.h"
#include "components/ReceiptPrinter.h"
#include "platform/AutomationError.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: pcquiba-voucher FILE --pdf OUT | --png OUT\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // Rendering needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 4 || (arguments.at(2) != u"--pdf" && arguments.at(2) != u"--png"))
        return usage();
    try {
        const ReceiptSettings settings = ReceiptPrinter::iniSettings();
        const QList<QImage> sheets = ReceiptPrinter::render(arguments.at(1), settings);
        if (arguments.at(2) == u"--pdf")
            ReceiptOutput::writePdf(sheets, arguments.at(3), settings);
        else
            ReceiptOutput::writePng(sheets, arguments.at(3), settings);
    } catch (const AutomationError& error) {
        std::fprintf(stderr, "pcquiba-voucher: %s (%d)\n", error.description().toLocal8Bit().constData(),
                     int(error.number()));
        return 1;
    }
    return 0;
}
