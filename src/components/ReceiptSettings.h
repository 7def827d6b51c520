#pragma once

#include <QString>
#include <QStringList>
#include <array>

class clsINIFile;

// The receipt printer's PRINTER keys, read once per print, with the sizes they give in printer
// dots. Values outside what a roll or sheet printer can do are clamped (see kLimits in the
// source), so a broken INI file never makes the printer allocate without bound.
class ReceiptSettings {
public:
    // Keys of the ESC/POS printer (printer_type escpos), without a default in the schema:
    // empty gives the value in brackets.
    // printer_code_page: the code page text is printed in (1252).
    static inline const QString kCodePageKey = QStringLiteral("printer_code_page");
    // printer_barcodes: the codes the printer draws itself, by name, or "all" (none).
    static inline const QString kNativeBarcodesKey = QStringLiteral("printer_barcodes");
    // printer_timeout: milliseconds each wait on the printer may take (2000, 10 to 10000).
    static inline const QString kTimeoutKey = QStringLiteral("printer_timeout");
    static constexpr int kDefaultTimeoutMs = 2000;
    // printer_font_a_dots, printer_font_b_dots: dots across a character of the printer's font A
    // (12) and font B (9), 8 to 16.
    static inline const QString kFontADotsKey = QStringLiteral("printer_font_a_dots");
    static inline const QString kFontBDotsKey = QStringLiteral("printer_font_b_dots");
    static constexpr int kDefaultFontADots = 12;
    static constexpr int kDefaultFontBDots = 9;

    struct Font {
        QString family;
        int points = 10;
        int charactersPerLine = 42;
    };

    // The keys' defaults: a 72 mm, 203 dpi thermal roll with one column.
    ReceiptSettings();
    // The keys of the PRINTER section, the FILES paths and the data folder of the INI file.
    static ReceiptSettings fromIni(const clsINIFile& ini);

    // Font A, B or C by its letter (upper case); any other letter is font A.
    const Font& font(const QString& letter) const;
    Font& font(int index) { return m_fonts.at(std::size_t(index)); }

    // Millimetres in dots across and down the paper.
    int dotsX(double millimetres) const;
    int dotsY(double millimetres) const;
    // Dots per inch, as PDF and PNG files record the resolution.
    int dpiX() const;
    int dpiY() const;

    int paperWidthDots() const;
    // The width of one column: the paper less the left margin and the gaps between columns.
    int columnWidthDots() const;

    int pelsPerMetreX = 8000;
    int pelsPerMetreY = 8000;
    int paperWidthMm = 72;
    int columns = 1;
    int columnGapMm = 2;
    int rows = 1;
    // 0: each row as tall as its tallest slip.
    int rowHeightMm = 0;
    int leftMarginMm = 0;
    int topMarginMm = 0;
    int bottomMarginMm = 0;
    bool preview = false;
    QString device;
    QString type;
    QString codePage = QStringLiteral("1252");
    QStringList nativeBarcodes;
    int timeoutMs = kDefaultTimeoutMs;
    int fontADots = kDefaultFontADots;
    int fontBDots = kDefaultFontBDots;

    QString logoPath;
    QString logoExt = QStringLiteral("bmp");
    QString dataPath;

    // Brings every value into the range the printer supports.
    void clamp();

private:
    std::array<Font, 3> m_fonts;
};
