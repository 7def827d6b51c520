#include "components/VoucherCommand.h"

#include "components/ReceiptOutput.h"
#include "components/ReceiptPrinter.h"
#include "platform/AutomationError.h"
#include "platform/ExecutableInfo.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

enum class OutputKind { Pdf, Png, EscPos };

struct Switch {
    const char* name;
    OutputKind kind;
};

constexpr Switch kSwitches[] = {
    {"--pdf", OutputKind::Pdf},
    {"--png", OutputKind::Png},
    {"--escpos", OutputKind::EscPos},
};

const char* const kVoucherUsage = "usage: pcquiba-voucher FILE --pdf OUT | --png OUT | --escpos OUT\n"
                          "       pcquiba-voucher --status tcp://HOST[:PORT] | DEVICE\n";

const char* const kVoucherHelp =
    "\n"
    "Renders a voucher file (plain or compressed) as pcQUIBA's built-in receipt printer prints it,\n"
    "with the PRINTER keys and the logo folder of the INI file pcquiba would use, and writes it to\n"
    "OUT as PDF, PNG or an ESC/POS job; or tells an ESC/POS printer's status.\n"
    "Exit status: 0 written (the printer is ready), 1 failed (or the printer cannot print),\n"
    "2 wrong arguments.\n"
    "  --help      this text\n"
    "  --version   the version\n";

int usage(QTextStream& errors)
{
    errors << kVoucherUsage;
    return VoucherCommand::kWrongArguments;
}

std::optional<OutputKind> kindOf(const QString& name)
{
    for (const Switch& entry : kSwitches) {
        if (name == QLatin1StringView(entry.name))
            return entry.kind;
    }
    return std::nullopt;
}

void write(OutputKind kind, const QString& voucher, const QString& out, const ReceiptSettings& settings)
{
    if (kind == OutputKind::EscPos) {
        ReceiptOutput::writeJob(ReceiptPrinter::escPosJob(voucher, settings), out);
        return;
    }
    const QList<QImage> sheets = ReceiptPrinter::render(voucher, settings);
    if (kind == OutputKind::Pdf)
        ReceiptOutput::writePdf(sheets, out, settings);
    else
        ReceiptOutput::writePng(sheets, out, settings);
}

// The printer's state on the output stream; 0 when it can print.
int status(const QString& device, QTextStream& output)
{
    const EscPosStatus status = ReceiptPrinter::escPosStatus(device, ReceiptPrinter::iniSettings().timeoutMs);
    output << status.description() << "\n";
    return status.state() == EscPosStatus::State::Ready ? VoucherCommand::kDone : VoucherCommand::kFailed;
}

} // namespace

int VoucherCommand::run(const QStringList& arguments, QTextStream& output, QTextStream& errors)
{
    const QString only = arguments.size() == 2 ? arguments.at(1) : QString();
    if (only == u"--help"_s) {
        output << kVoucherUsage << kVoucherHelp;
        return kDone;
    }
    if (only == u"--version"_s) {
        output << "pcquiba-voucher " << ExecutableInfo::versionString() << "\n";
        return kDone;
    }
    const bool asksStatus = arguments.size() == 3 && arguments.at(1) == u"--status"_s;
    const std::optional<OutputKind> kind = arguments.size() == 4 ? kindOf(arguments.at(2)) : std::nullopt;
    if (!asksStatus && !kind)
        return usage(errors);
    try {
        if (asksStatus)
            return status(arguments.at(2), output);
        write(*kind, arguments.at(1), arguments.at(3), ReceiptPrinter::iniSettings());
    } catch (const AutomationError& error) {
        errors << "pcquiba-voucher: " << error.description() << " (" << error.number() << ")\n";
        return kFailed;
    }
    return kDone;
}
