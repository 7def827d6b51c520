#pragma once

#include <QtGlobal>

// The printer font and character width a text of the voucher prints in: the voucher's lines
// were laid out for a number of characters per line (the font letter's characters per line
// over the character width, as the receipt renderer draws them), and the printer has two
// fonts of fixed cells. The font the voucher names at the width it asks keeps the look where it
// holds that many characters in the column; otherwise the widest characters that do.
class EscPosFont {
public:
    // Font A and font B of the printer: ESC M 0 and 1.
    static constexpr quint8 kFontA = 0;
    static constexpr quint8 kFontB = 1;
    static constexpr int kFontAHeight = 24;
    static constexpr int kFontBHeight = 17;
    static constexpr int kLargestScale = 8;

    struct Cells {
        // Dots across a character of font A and of font B.
        int fontA = 12;
        int fontB = 9;
    };

    struct Choice {
        quint8 font = kFontA;
        int cellWidth = 12;
        int cellHeight = kFontAHeight;
        // GS ! character width, 1 to 8.
        int scale = 1;
        // Characters a line of the column holds in this font and width.
        int perLine = 1;
        // False when no font holds the characters per line wanted: this is the narrowest.
        bool holds = true;
    };

    // The font for lines of wanted characters in a column of columnDots: the named font (font
    // A, or B for font letter B) at the asked character width when it holds them, else the
    // widest characters that do (on a tie the named font), else the narrowest font at width 1.
    static Choice choose(int columnDots, int wanted, quint8 named, int asked, Cells cells);
};
