#pragma once

#include <QStringList>

class QTextStream;

// The pcquiba-voucher command: renders a voucher file (plain or compressed) as the built-in
// receipt printer prints it, with the PRINTER keys and logo folder of the INI file pcquiba
// would use, and writes it to a file.
//
//     pcquiba-voucher FILE --pdf OUT | --png OUT
//
// Exit status 0; 1 with the error on the error stream (nothing written); 2 for wrong arguments.
class VoucherCommand {
public:
    static constexpr int kDone = 0;
    static constexpr int kFailed = 1;
    static constexpr int kWrongArguments = 2;

    // arguments as the program gets them, the program's name first.
    static int run(const QStringList& arguments, QTextStream& errors);
};
