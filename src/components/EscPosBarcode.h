#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A code the printer draws itself (GS k for linear codes, GS ( k for QR and PDF417): code39,
// code128, ean13, ean8, upca, qr and pdf417. Module widths are whole dots within what the
// command allows; a code that does not fit the column with its quiet zones at the narrowest
// of them, data the code cannot hold, or any other type gives nothing, and the printer gets
// the code as a raster image instead.
class EscPosBarcode {
public:
    struct Drawn {
        // The commands that print the code, from its own line.
        QByteArray bytes;
        // The white a 2-D code needs above and below it (its quiet zone at the module size in
        // use), in dots; 0 for a linear code, whose quiet zones are beside it.
        int quietDots = 0;
        // The paper the code takes, quiet zones above and below left out.
        int heightDots = 0;
        // The text to print below a linear code in place of the printer's own, which would be
        // wrong; empty when the printer prints it.
        QString textBelow;
    };

    // The code aligned (l, c or r); width is the markup's width (1 to 8 units), heightDots the
    // bars' height of a linear code.
    static std::optional<Drawn> commands(const QString& type, int width, int heightDots, const QString& alignment,
                                         const QString& data, int columnDots);

    // The number ESC a takes for an alignment letter: 1 for c, 2 for r, 0 for anything else.
    static quint8 justification(const QString& alignment);
};
