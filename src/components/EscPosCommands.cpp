#include "components/EscPosCommands.h"

#include <algorithm>
#include <functional>

namespace {


struct CommandCode {
    EscPosCommands::Command command;
    const char* bytes;
    int length;
};

constexpr CommandCode kCommands[] = {
    {EscPosCommands::Command::Initialise, "\x1B@", 2},
    {EscPosCommands::Command::Justification, "\x1B" "a", 2},
    {EscPosCommands::Command::Emphasis, "\x1B" "E", 2},
    {EscPosCommands::Command::Underline, "\x1B-", 2},
    {EscPosCommands::Command::Reverse, "\x1D" "B", 2},
    {EscPosCommands::Command::Font, "\x1BM", 2},
    {EscPosCommands::Command::CharacterSize, "\x1D!", 2},
    {EscPosCommands::Command::CodeTable, "\x1Bt", 2},
    {EscPosCommands::Command::FeedDots, "\x1BJ", 2},
    {EscPosCommands::Command::LineFeed, "\n", 1},
    {EscPosCommands::Command::Cut, "\x1DV", 2},
    {EscPosCommands::Command::Raster, "\x1Dv0", 3},
    {EscPosCommands::Command::BarcodeHeight, "\x1Dh", 2},
    {EscPosCommands::Command::BarcodeWidth, "\x1Dw", 2},
    {EscPosCommands::Command::BarcodeText, "\x1DH", 2},
    {EscPosCommands::Command::BarcodeTextFont, "\x1D" "f", 2},
    {EscPosCommands::Command::Barcode, "\x1Dk", 2},
    {EscPosCommands::Command::Symbol2D, "\x1D(k", 3},
    {EscPosCommands::Command::CancelKanji, "\x1C.", 2},
    {EscPosCommands::Command::Characters, "\x1BR", 2},
    {EscPosCommands::Command::LineSpacing, "\x1B" "3", 2},
    {EscPosCommands::Command::StatusRequest, "\x10\x04", 2},
};

static_assert(std::size(kCommands) == std::size_t(EscPosCommands::Command::StatusRequest) + 1);

void appendLittleEndian16(QByteArray& bytes, int value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

} // namespace

QByteArray EscPosCommands::command(Command command, const QByteArray& parameters)
{
    const CommandCode& code = kCommands[std::size_t(command)];
    QByteArray bytes(code.bytes, code.length);
    bytes += parameters;
    return bytes;
}

void EscPosCommands::append(QByteArray& job, Command command, quint8 parameter)
{
    const CommandCode& code = kCommands[std::size_t(command)];
    job.append(code.bytes, code.length);
    job.append(char(parameter));
}

QByteArray EscPosCommands::command(Command command, quint8 parameter)
{
    return EscPosCommands::command(command, QByteArray(1, char(parameter)));
}

QByteArray EscPosCommands::raster(const QImage& dots)
{
    return bands(dots.isNull() ? 0 : dots.width(), dots.height(), [&dots](int y) {
        return reinterpret_cast<const char*>(dots.constScanLine(y));
    });
}

QByteArray EscPosCommands::solid(int widthDots, int rows)
{
    const QByteArray row((widthDots + 7) / 8, char(0xFF));
    return bands(widthDots, rows, [&row](int) { return row.constData(); });
}

QByteArray EscPosCommands::bands(int widthDots, int rows, const std::function<const char*(int)>& rowBits)
{
    QByteArray bytes;
    if (widthDots <= 0 || rows <= 0)
        return bytes;
    const int rowBytes = (widthDots + 7) / 8;
    // The bits past the width in the last byte of a row are not printed.
    const auto lastMask = quint8(0xFF << ((8 - widthDots % 8) % 8));
    bytes.reserve(qsizetype(rowBytes) * rows + 8 * (rows / kRasterBandRows + 1));
    for (int top = 0; top < rows; top += kRasterBandRows) {
        const int bandRows = std::min(kRasterBandRows, rows - top);
        QByteArray header(1, '\0');
        appendLittleEndian16(header, rowBytes);
        appendLittleEndian16(header, bandRows);
        bytes += command(Command::Raster, header);
        for (int y = top; y < top + bandRows; ++y) {
            const char* line = rowBits(y);
            bytes.append(line, rowBytes - 1);
            bytes.append(char(quint8(line[rowBytes - 1]) & lastMask));
        }
    }
    return bytes;
}

QByteArray EscPosCommands::symbol2D(quint8 cn, quint8 fn, const QByteArray& data)
{
    QByteArray parameters;
    appendLittleEndian16(parameters, int(data.size()) + 2);
    parameters.append(char(cn));
    parameters.append(char(fn));
    parameters += data;
    return command(Command::Symbol2D, parameters);
}

QByteArray EscPosCommands::feed(int dots)
{
    QByteArray bytes;
    for (; dots > 0; dots -= 255)
        bytes += command(Command::FeedDots, quint8(std::min(dots, 255)));
    return bytes;
}
