#include "components/EscPosBarcode.h"

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
// HRI characters below the bars, in font B.
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

// CODE128 data with its code set: pairs of digits in set C, anything else in set B ("{"
// written twice); nothing when a character is outside set B.
std::optional<QByteArray> code128Data(const QByteArray& data)
{
    if (data.size() >= 2 && data.size() % 2 == 0 && allDigits(data)) {
        QByteArray pairs("{C");
        for (qsizetype i = 0; i < data.size(); i += 2)
            pairs.append(char((data[i] - '0') * 10 + (data[i + 1] - '0')));
        return pairs;
    }
    QByteArray setB("{B");
    for (char c : data) {
        if (c < 32 || c > 126)
            return std::nullopt;
        setB.append(c);
        if (c == '{')
            setB.append(c);
    }
    return setB;
}

// Modules of a CODE128 symbol as the printer builds it: start, characters, check, stop.
int code128Modules(const QByteArray& payload)
{
    const qsizetype characters = payload.size() - 2 - payload.count("{{");
    return int(11 * (characters + 2) + 13);
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

QByteArray linear(const NativeCode& code, int module, int heightDots, const QByteArray& payload)
{
    QByteArray bytes = EscPosCommands::command(Command::BarcodeHeight, quint8(std::clamp(heightDots, 1, 255)));
    bytes += EscPosCommands::command(Command::BarcodeWidth, quint8(module));
    bytes += EscPosCommands::command(Command::BarcodeText, kTextBelow);
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
        bytes += EscPosCommands::symbol2D(cn, kPdf417RowHeight, QByteArray(1, char(3)));
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

std::optional<QByteArray> EscPosBarcode::commands(const QString& type, int width, int heightDots,
                                                  const QString& alignment, const QString& data, int columnDots)
{
    // The symbol at one dot a module: its width in modules, and whether the data fits the code.
    const ReceiptBarcode::Symbol symbol = ReceiptBarcode::render(type, 1, 1, data);
    if (symbol.image.isNull())
        return std::nullopt;
    const NativeCode* code = nativeCode(ReceiptBarcode::symbology(type), symbol.image.width());
    if (!code)
        return std::nullopt;
    const int unit = std::clamp(width, 1, ReceiptBarcode::kWidestUnit);
    const int quiet = symbol.quietLeft + symbol.quietRight;
    QByteArray payload = ReceiptBarcode::encodedData(data).toUtf8();
    int modules = symbol.image.width();
    int asked = unit * ReceiptBarcode::kMatrixModuleDots;
    if (code->kind == Kind::Linear) {
        asked = unit * ReceiptBarcode::kLinearModuleDots;
        if (code->symbology == BARCODE_CODE128) {
            const std::optional<QByteArray> sets = code128Data(payload);
            if (!sets)
                return std::nullopt;
            payload = *sets;
            modules = code128Modules(payload);
        }
        if (payload.size() > 255)
            return std::nullopt;
    }
    const std::optional<int> module = fittingModule(*code, asked, modules, quiet, columnDots);
    if (!module)
        return std::nullopt;
    QByteArray bytes = EscPosCommands::command(Command::Justification, justification(alignment));
    if (code->kind == Kind::Linear)
        bytes += linear(*code, *module, heightDots, payload);
    else
        bytes += twoDimensional(code->kind, *module, payload);
    return bytes;
}
