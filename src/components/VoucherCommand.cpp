#include "components/VoucherCommand.h"

#include "components/ReceiptOutput.h"
#include "components/ReceiptPrinter.h"
#include "platform/AutomationError.h"

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

int usage(QTextStream& errors)
{
    errors << "usage: pcquiba-voucher FILE --pdf OUT | --png OUT | --escpos OUT\n"
              "       pcquiba-voucher --status tcp://HOST[:PORT] | DEVICE\n";
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
