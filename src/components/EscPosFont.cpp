#include "components/EscPosFont.h"

#include <algorithm>
#include <optional>

namespace {

EscPosFont::Choice candidate(quint8 font, int scale, int columnDots, EscPosFont::Cells cells)
{
    EscPosFont::Choice choice;
    choice.font = font;
    choice.cellWidth = font == EscPosFont::kFontB ? cells.fontB : cells.fontA;
    choice.cellHeight = font == EscPosFont::kFontB ? EscPosFont::kFontBHeight : EscPosFont::kFontAHeight;
    choice.scale = scale;
    choice.perLine = std::max(1, columnDots / (choice.cellWidth * scale));
    return choice;
}

} // namespace

EscPosFont::Choice EscPosFont::choose(int columnDots, int wanted, quint8 named, int asked, Cells cells)
{
    const Choice askedFor = candidate(named, std::clamp(asked, 1, kLargestScale), columnDots, cells);
    if (askedFor.perLine >= wanted)
        return askedFor;
    const quint8 other = named == kFontB ? kFontA : kFontB;
    std::optional<Choice> best;
    for (int scale = 1; scale <= kLargestScale; ++scale) {
        for (const quint8 font : {named, other}) {
            const Choice c = candidate(font, scale, columnDots, cells);
            if (c.perLine < wanted)
                continue;
            // Wider characters win; the named font was looked at first and keeps a tie.
            if (!best || c.cellWidth * c.scale > best->cellWidth * best->scale)
                best = c;
        }
    }
    if (best)
        return *best;
    Choice narrowest = candidate(cells.fontB < cells.fontA ? kFontB : kFontA, 1, columnDots, cells);
    if (cells.fontA == cells.fontB)
        narrowest = candidate(named, 1, columnDots, cells);
    narrowest.holds = false;
    return narrowest;
}
