#pragma once

#include <QByteArray>
#include <optional>

// CODE128 data as the printer's GS k (function B, m 73) takes it, in the shortest symbol: the
// code sets are chosen by the minimal-length rules of ISO/IEC 15417 (Annex E) for code sets B
// and C. Code set A is never needed: data outside printable ASCII is refused and goes as a
// raster image instead.
class EscPosCode128 {
public:
    // Switching symbol of a code set in the printer's data: "{B", "{C"; "{" itself is "{{".
    static constexpr char kSwitch = '{';

    // The data with its code-set switches ("{C" pairs of digits as bytes 0-99, "{B" text);
    // nothing when a character is outside code set B and not a digit.
    static std::optional<QByteArray> encoded(const QByteArray& data);

    // The symbol characters of encoded data: its data characters and switches, without start,
    // check and stop.
    static int symbolCharacters(const QByteArray& encoded);
    // Modules of the whole symbol: start, symbol characters and check of 11 modules, stop 13.
    static int modules(const QByteArray& encoded);
};
