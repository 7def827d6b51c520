#pragma once

#include <QStringList>

class QTextStream;

// The pcquiba-voucher command: renders a voucher file (plain or compressed) as the built-in
// receipt printer prints it, with the PRINTER keys and logo folder of the INI file pcquiba
// would use, and writes it to a file; or tells an ESC/POS printer's status.
//
//     pcquiba-voucher FILE --pdf OUT | --png OUT | --escpos OUT
//     pcquiba-voucher --status tcp://HOST[:PORT] | DEVICE
//
// Exit status 0 (written; the printer is ready); 1 with the error on the error stream and
// nothing written, or a printer that cannot print (its state on the output); 2 for wrong
// arguments.
class VoucherCommand {
public:
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kWrongArguments = 2;

    // arguments as the program gets them, the program's name first.
    static int run(const QStringList& arguments, QTextStream& output, QTextStream& errors);
};
