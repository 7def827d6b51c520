#include "components/VoucherCommand.h"

#include "components/ReceiptOutput.h"
#include "components/ReceiptPrinter.h"
#include "platform/AutomationError.h"

#include <QTextStream>

namespace {

int usage(QTextStream& errors)
{
    errors << "usage: pcquiba-voucher FILE --pdf OUT | --png OUT\n";
    return VoucherCommand::kWrongArguments;
}

} // namespace

int VoucherCommand::run(const QStringList& arguments, QTextStream& errors)
{
    if (arguments.size() != 4 || (arguments.at(2) != u"--pdf" && arguments.at(2) != u"--png"))
        return usage(errors);
    try {
        const ReceiptSettings settings = ReceiptPrinter::iniSettings();
        const QList<QImage> sheets = ReceiptPrinter::render(arguments.at(1), settings);
        if (arguments.at(2) == u"--pdf")
            ReceiptOutput::writePdf(sheets, arguments.at(3), settings);
        else
            ReceiptOutput::writePng(sheets, arguments.at(3), settings);
    } catch (const AutomationError& error) {
        errors << "pcquiba-voucher: " << error.description() << " (" << error.number() << ")\n";
        return kFailed;
    }
    return kDone;
}
