#include "components/EscPosBarcode.h"

#include "components/EscPosCode128.h"
#include "components/EscPosCommands.h"
#include "components/ReceiptBarcode.h"

#include <algorithm>
#include <zint.h>

namespace {

using Command = EscPosCommands::Command;

enum class Kind { Linear, Qr, Pdf417 };

struct NativeCode {
    int symbology;
    // The symbol's width in modules, for EAN-13 and EAN-8 which share a symbology; 0 for any.
    int modules;
    Kind kind;
    // GS k m (function B) of a linear code.
    quint8 m;
    // The narrowest and widest module, in dots, that the command takes.
    int narrowest;
    int widest;
};

constexpr NativeCode kNativeCodes[] = {
    {BARCODE_UPCA, 0, Kind::Linear, 65, 2, 6},    {BARCODE_EANX, 95, Kind::Linear, 67, 2, 6},
    {BARCODE_EANX, 67, Kind::Linear, 68, 2, 6},   {BARCODE_CODE39, 0, Kind::Linear, 69, 2, 6},
    {BARCODE_CODE128, 0, Kind::Linear, 73, 2, 6}, {BARCODE_QRCODE, 0, Kind::Qr, 0, 1, 16},
    {BARCODE_PDF417, 0, Kind::Pdf417, 0, 2, 8},
};

// 2-D symbols: QR is cn 49, PDF417 cn 48; fn 80 stores the data, fn 81 prints it.
constexpr quint8 kQr = 49;
constexpr quint8 kPdf417 = 48;
constexpr quint8 kStore = 80;
constexpr quint8 kPrint = 81;
constexpr quint8 kModuleSize = 67;
constexpr quint8 kQrModel = 65;
constexpr quint8 kQrErrorCorrection = 69;
constexpr quint8 kPdf417RowHeight = 68;
// The height of a PDF417 row in module widths (GS ( k fn 68).
constexpr int kPdf417RowModules = 3;
// HRI characters below the bars, in font B.
constexpr quint8 kNoText = 0;
constexpr quint8 kTextBelow = 2;
constexpr quint8 kTextFontB = 1;

const NativeCode* nativeCode(int symbology, int modules)
{
    for (const NativeCode& code : kNativeCodes) {
        if (code.symbology == symbology && (code.modules == 0 || code.modules == modules))
            return &code;
    }
    return nullptr;
}

bool allDigits(const QByteArray& data)
{
    return std::all_of(data.cbegin(), data.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

// The check digit of an EAN or UPC number without it: weights 3 and 1 from the right.
char checkDigit(const QByteArray& digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[digits.size() - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

// The width in modules of an EAN-13, EAN-8 or UPC-A symbol: digits without the check digit,
// or with a right one; 0 for anything else.
int eanModules(int symbology, const QByteArray& digits)
{
    const bool upc = symbology == BARCODE_UPCA;
    const qsizetype length = digits.size();
    const qsizetype withoutCheck = upc ? 11 : (length == 7 || length == 8 ? 7 : 12);
    if (!allDigits(digits) || (length != withoutCheck && length != withoutCheck + 1))
        return 0;
    if (length == withoutCheck + 1 && checkDigit(digits.left(withoutCheck)) != digits.back())
        return 0;
    return withoutCheck == 7 ? 67 : 95;
}

// CODE39 as the printer takes it: digits, capitals, blank and - . $ / + %; 16 modules a
// character and the two stops, at a wide-to-narrow ratio of 3.
int code39Modules(const QByteArray& data)
{
    static const QByteArray allowed("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%");
    if (data.isEmpty() || !std::all_of(data.cbegin(), data.cend(), [](char c) { return allowed.contains(c); }))
        return 0;
    return int(16 * (data.size() + 2) - 1);
}

// QR code model 2 with error correction M in byte mode: the bytes each version holds.
constexpr int kQrBytes[] = {14,  26,  42,  62,  84,  106, 122, 152, 180, 213, 251, 287, 331, 362,
                            412, 450, 504, 560, 624, 666, 711, 779, 857, 911, 997, 1059, 1125, 1190,
                            1264, 1370, 1452, 1538, 1628, 1722, 1809, 1911, 1989, 2099, 2213, 2331};

int qrModules(const QByteArray& data)
{
    for (int version = 1; version <= int(std::size(kQrBytes)); ++version) {
        if (data.size() <= kQrBytes[version - 1])
            return 17 + 4 * version;
    }
    return 0;
}

QByteArray parameters(quint8 first, quint8 second)
{
    QByteArray bytes(1, char(first));
    bytes.append(char(second));
    return bytes;
}

// The narrowest module of those the command takes, at most the one asked, that fits.
std::optional<int> fittingModule(const NativeCode& code, int asked, int modules, int quietModules, int columnDots)
{
    for (int module = std::clamp(asked, code.narrowest, code.widest); module >= code.narrowest; --module) {
        if ((modules + quietModules) * module <= columnDots)
            return module;
    }
    return std::nullopt;
}

QByteArray linear(const NativeCode& code, int module, int heightDots, const QByteArray& payload, bool printerText)
{
    QByteArray bytes = EscPosCommands::command(Command::BarcodeHeight, quint8(std::clamp(heightDots, 1, 255)));
    bytes += EscPosCommands::command(Command::BarcodeWidth, quint8(module));
    bytes += EscPosCommands::command(Command::BarcodeText, printerText ? kTextBelow : kNoText);
    bytes += EscPosCommands::command(Command::BarcodeTextFont, kTextFontB);
    QByteArray data(1, char(code.m));
    data.append(char(payload.size()));
    data += payload;
    return bytes + EscPosCommands::command(Command::Barcode, data);
}

QByteArray twoDimensional(Kind kind, int module, const QByteArray& data)
{
    const quint8 cn = kind == Kind::Qr ? kQr : kPdf417;
    QByteArray bytes;
    if (kind == Kind::Qr) {
        // Model 2, error correction M.
        bytes += EscPosCommands::symbol2D(cn, kQrModel, parameters(50, 0));
        bytes += EscPosCommands::symbol2D(cn, kQrErrorCorrection, QByteArray(1, char(49)));
    } else {
        bytes += EscPosCommands::symbol2D(cn, kPdf417RowHeight, QByteArray(1, char(kPdf417RowModules)));
    }
    bytes += EscPosCommands::symbol2D(cn, kModuleSize, QByteArray(1, char(module)));
    bytes += EscPosCommands::symbol2D(cn, kStore, QByteArray(1, '0') + data);
    bytes += EscPosCommands::symbol2D(cn, kPrint, QByteArray(1, '0'));
    return bytes;
}

} // namespace

quint8 EscPosBarcode::justification(const QString& alignment)
{
    if (alignment == u"c")
        return 1;
    if (alignment == u"r")
        return 2;
    return 0;
}

std::optional<EscPosBarcode::Drawn> EscPosBarcode::commands(const QString& type, int width, int heightDots,
                                                            const QString& alignment, const QString& data,
                                                            int columnDots)
{
    const int symbology = ReceiptBarcode::symbology(type);
    QByteArray payload = ReceiptBarcode::encodedData(data).toUtf8();
    if (payload.isEmpty())
        return std::nullopt;
    // The symbol's width in modules, worked out here: libzint would take longer than the rest
    // of the job together.
    int modules = 0;
    // The height of a 2-D symbol, in modules.
    int rows = 0;
    QString textBelow;
    if (symbology == BARCODE_EANX || symbology == BARCODE_UPCA) {
        modules = eanModules(symbology, payload);
    } else if (symbology == BARCODE_CODE39) {
        modules = code39Modules(payload);
    } else if (symbology == BARCODE_CODE128) {
        // CODE128 carries Latin-1, one byte a character, as the raster image does.
        const QString text = ReceiptBarcode::encodedData(data);
        const std::optional<QByteArray> sets = EscPosCode128::encodedText(text);
        if (sets) {
            payload = *sets;
            modules = EscPosCode128::modules(payload);
            textBelow = EscPosCode128::textBelow(text);
        }
    } else if (symbology == BARCODE_QRCODE) {
        modules = qrModules(payload);
        rows = modules;
    } else if (symbology == BARCODE_PDF417) {
        const QImage symbol = ReceiptBarcode::render(type, 1, 1, data).image;
        modules = symbol.width();
        // Its height as libzint draws it, in modules.
        rows = symbol.height();
    }
    const NativeCode* code = nativeCode(symbology, modules);
    if (modules <= 0 || !code || (code->kind == Kind::Linear && payload.size() > 255))
        return std::nullopt;
    const int unit = std::clamp(width, 1, ReceiptBarcode::kWidestUnit);
    const int asked = unit * (code->kind == Kind::Linear ? ReceiptBarcode::kLinearModuleDots
                                                         : ReceiptBarcode::kMatrixModuleDots);
    const ReceiptBarcode::QuietZone quiet = ReceiptBarcode::quietZone(symbology, modules);
    const std::optional<int> module = fittingModule(*code, asked, modules, quiet.left + quiet.right, columnDots);
    if (!module)
        return std::nullopt;
    Drawn drawn;
    drawn.bytes = EscPosCommands::command(Command::Justification, justification(alignment));
    if (code->kind == Kind::Linear) {
        drawn.bytes += linear(*code, *module, heightDots, payload, textBelow.isEmpty());
        drawn.heightDots = std::clamp(heightDots, 1, 255);
        drawn.textBelow = textBelow;
        return drawn;
    }
    drawn.bytes += twoDimensional(code->kind, *module, payload);
    // Quiet zones are in modules of the symbol's width, above and below as beside it.
    drawn.quietDots = quiet.left * *module;
    drawn.heightDots = rows * *module;
    return drawn;
}
