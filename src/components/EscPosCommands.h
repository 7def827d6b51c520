#pragma once

#include <QByteArray>
#include <QImage>
#include <functional>

// The ESC/POS commands the receipt printer sends, each built from one row of a table of
// command codes (docs/receipt-printer.md lists it with the bytes).
class EscPosCommands {
public:
    enum class Command {
        Initialise,      // ESC @
        Justification,   // ESC a n: 0 left, 1 centre, 2 right
        Emphasis,        // ESC E n: 1 on, 0 off
        Underline,       // ESC - n: 1 on, 0 off
        Reverse,         // GS B n: 1 white on black, 0 off
        Font,            // ESC M n: 0 font A, 1 font B
        CharacterSize,   // GS ! n: (width - 1) << 4 | (height - 1)
        CodeTable,       // ESC t n
        FeedDots,        // ESC J n: print and feed n dots
        LineFeed,        // LF
        Cut,             // GS V m n: 65 full, 66 partial, after feeding to the cutter
        Raster,          // GS v 0 m xL xH yL yH d...
        BarcodeHeight,   // GS h n
        BarcodeWidth,    // GS w n
        BarcodeText,     // GS H n: 0 none, 2 below
        BarcodeTextFont, // GS f n
        Barcode,         // GS k m n d...
        Symbol2D,        // GS ( k pL pH cn fn ...
        CancelKanji,     // FS .
        Characters,      // ESC R n: international character set, 0 U.S.A.
        LineSpacing,     // ESC 3 n: n dots from one line to the next
        StatusRequest,   // DLE EOT n
    };

    // The bytes of a command followed by its parameter bytes.
    static QByteArray command(Command command, const QByteArray& parameters = {});
    static QByteArray command(Command command, quint8 parameter);
    // Appends a command with one parameter byte to a job, without a byte array of its own.
    static void append(QByteArray& job, Command command, quint8 parameter);

    // The most rows one raster command carries: a taller image is sent as several bands.
    static constexpr int kRasterBandRows = 256;
    // A one-bit image (QImage::Format_Mono, colour 1 printed) as raster bands.
    static QByteArray raster(const QImage& dots);
    // A black raster of the given size (a rule).
    static QByteArray solid(int widthDots, int rows);
    // GS ( k with its two-byte length: cn, fn and the data.
    static QByteArray symbol2D(quint8 cn, quint8 fn, const QByteArray& data);
    // ESC J in steps of at most 255 dots.
    static QByteArray feed(int dots);

private:
    // Raster bands of rows of bits, each row given by rowBits.
    static QByteArray bands(int widthDots, int rows, const std::function<const char*(int)>& rowBits);
};
