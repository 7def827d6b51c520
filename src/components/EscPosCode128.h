#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// CODE128 data as the printer's GS k (function B, m 73) takes it, in the shortest symbol for
// the data. Code set A carries the control characters, B printable ASCII and DEL, C pairs of
// digits; one character of the other of A and B may be shifted. A Latin-1 character above 127
// is FNC4 followed by the character 128 below it, and a run of them may be wrapped in a pair
// of FNC4 at each end, which extends every character between.
class EscPosCode128 {
public:
    // Escape of the printer's data: "{A", "{B", "{C" change the code set, "{S" shifts the next
    // character, "{4" is FNC4; "{" itself is "{{".
    static constexpr char kSwitch = '{';
    // The most bytes of data GS k takes.
    static constexpr qsizetype kLongestData = 255;

    // The printer's data for text; nothing when a character is beyond Latin-1, which CODE128
    // cannot carry, or when the data would be longer than GS k takes.
    static std::optional<QByteArray> encodedText(const QString& text);
    // The printer's data for Latin-1 bytes: "{A" and "{B" characters as they are, "{C" pairs
    // of digits as bytes 0 to 99, with the shifts and FNC4 they need.
    static QByteArray encoded(const QByteArray& latin1);

    // The text the job prints below the code itself where the printer's own would be wrong: for
    // a character above 127 the printer prints the one FNC4 extends ("i" for "é"). Control
    // characters are blanks, as the printer and the raster image print them. Empty when every
    // character is below 128.
    static QString textBelow(const QString& text);

    // The symbol characters of encoded data: its data characters, changes of code set, shifts
    // and FNC4, without start, check and stop.
    static int symbolCharacters(const QByteArray& encoded);
    // Modules of the whole symbol: start, symbol characters and check of 11 modules, stop 13.
    static int modules(const QByteArray& encoded);
};
