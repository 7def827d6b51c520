#include "components/ReceiptSettings.h"

#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMillimetresPerMetre = 1000.0;
constexpr double kMetresPerInch = 0.0254;

struct Limits {
    int minimum;
    int maximum;
};

// 25 to 1000 dots per inch; paper up to an A3 sheet's width; at most 10 by 20 cells.
constexpr Limits kPelsPerMetre{1000, 40000};
constexpr Limits kPaperWidthMm{20, 420};
constexpr Limits kColumns{1, 10};
constexpr Limits kRows{1, 20};
constexpr Limits kSpacingMm{0, 100};
constexpr Limits kRowHeightMm{0, 1000};
constexpr Limits kPoints{4, 72};
constexpr Limits kCharactersPerLine{8, 200};
constexpr Limits kTimeoutMs{10, 10000};
constexpr Limits kFontDots{8, 16};

int clamped(int value, Limits limits)
{
    return std::clamp(value, limits.minimum, limits.maximum);
}

int integerKey(const clsINIFile& ini, const QString& key)
{
    // Read as a Long: a number beyond 16 bits is clamped rather than refused.
    return ini.GetLong(IniSections::Printer, key, IniDefaults::iniDefault(key).toInteger());
}

QString textKey(const clsINIFile& ini, const QString& key)
{
    return ini.GetString(IniSections::Printer, key, IniDefaults::iniDefault(key).toString());
}

} // namespace

ReceiptSettings::ReceiptSettings()
    : m_fonts{Font{QStringLiteral("Arial"), 10, 42}, Font{QStringLiteral("Arial"), 8, 56},
              Font{QStringLiteral("Courier New"), 9, 42}}
{
}

ReceiptSettings ReceiptSettings::fromIni(const clsINIFile& ini)
{
    ReceiptSettings settings;
    const std::array<std::array<QString, 3>, 3> fontKeys{{{IniKeys::FontA, IniKeys::FontASize, IniKeys::FontACpl},
                                                          {IniKeys::FontB, IniKeys::FontBSize, IniKeys::FontBCpl},
                                                          {IniKeys::FontC, IniKeys::FontCSize, IniKeys::FontCCpl}}};
    for (int i = 0; i < 3; ++i) {
        const auto& keys = fontKeys.at(std::size_t(i));
        settings.font(i) = Font{textKey(ini, keys[0]), integerKey(ini, keys[1]), integerKey(ini, keys[2])};
    }
    settings.pelsPerMetreX = integerKey(ini, IniKeys::PelsPerMetreX);
    settings.pelsPerMetreY = integerKey(ini, IniKeys::PelsPerMetreY);
    settings.paperWidthMm = integerKey(ini, IniKeys::PrinterWidth);
    settings.columns = integerKey(ini, IniKeys::PrintColumns);
    settings.columnGapMm = integerKey(ini, IniKeys::PrintColumnGap);
    settings.rows = integerKey(ini, IniKeys::PrintRows);
    settings.rowHeightMm = integerKey(ini, IniKeys::PrintRowHeight);
    settings.leftMarginMm = integerKey(ini, IniKeys::PrintLeftMargin);
    settings.topMarginMm = integerKey(ini, IniKeys::PrintTopMargin);
    settings.bottomMarginMm = integerKey(ini, IniKeys::PrintBottomMargin);
    settings.preview = ini.GetBoolean(IniSections::Printer, IniKeys::PrintPreview,
                                      IniDefaults::iniDefault(IniKeys::PrintPreview).toBool());
    settings.device = textKey(ini, IniKeys::PrinterDevice);
    settings.type = textKey(ini, IniKeys::PrinterType);
    if (const QString codePage = textKey(ini, kCodePageKey); !codePage.isEmpty())
        settings.codePage = codePage;
    settings.nativeBarcodes = textKey(ini, kNativeBarcodesKey).split(u',', Qt::SkipEmptyParts);
    settings.timeoutMs = ini.GetLong(IniSections::Printer, kTimeoutKey, kDefaultTimeoutMs);
    settings.fontADots = ini.GetLong(IniSections::Printer, kFontADotsKey, kDefaultFontADots);
    settings.fontBDots = ini.GetLong(IniSections::Printer, kFontBDotsKey, kDefaultFontBDots);
    settings.logoPath = IniLocation::iniGetPath(&ini, IniKeys::LogoPath);
    settings.logoExt = IniLocation::iniGetPath(&ini, IniKeys::LogoExt);
    settings.dataPath = IniLocation::iniGetPath(&ini, IniKeys::DataPath);
    settings.clamp();
    return settings;
}

void ReceiptSettings::clamp()
{
    pelsPerMetreX = clamped(pelsPerMetreX, kPelsPerMetre);
    pelsPerMetreY = clamped(pelsPerMetreY, kPelsPerMetre);
    paperWidthMm = clamped(paperWidthMm, kPaperWidthMm);
    columns = clamped(columns, kColumns);
    rows = clamped(rows, kRows);
    columnGapMm = clamped(columnGapMm, kSpacingMm);
    rowHeightMm = clamped(rowHeightMm, kRowHeightMm);
    leftMarginMm = std::clamp(leftMarginMm, 0, paperWidthMm / 2);
    topMarginMm = clamped(topMarginMm, kSpacingMm);
    bottomMarginMm = clamped(bottomMarginMm, kSpacingMm);
    // The gaps may take at most half of what the margin leaves.
    if (columns > 1)
        columnGapMm = std::min(columnGapMm, (paperWidthMm - leftMarginMm) / (2 * (columns - 1)));
    timeoutMs = clamped(timeoutMs, kTimeoutMs);
    fontADots = clamped(fontADots, kFontDots);
    fontBDots = clamped(fontBDots, kFontDots);
    for (Font& f : m_fonts) {
        f.points = clamped(f.points, kPoints);
        f.charactersPerLine = clamped(f.charactersPerLine, kCharactersPerLine);
    }
}

const ReceiptSettings::Font& ReceiptSettings::font(const QString& letter) const
{
    if (letter == u"B")
        return m_fonts[1];
    if (letter == u"C")
        return m_fonts[2];
    return m_fonts[0];
}

int ReceiptSettings::dotsX(double millimetres) const
{
    return int(std::lround(millimetres * pelsPerMetreX / kMillimetresPerMetre));
}

int ReceiptSettings::dotsY(double millimetres) const
{
    return int(std::lround(millimetres * pelsPerMetreY / kMillimetresPerMetre));
}

int ReceiptSettings::dpiX() const
{
    return int(std::lround(pelsPerMetreX * kMetresPerInch));
}

int ReceiptSettings::dpiY() const
{
    return int(std::lround(pelsPerMetreY * kMetresPerInch));
}

int ReceiptSettings::paperWidthDots() const
{
    return dotsX(paperWidthMm);
}

int ReceiptSettings::columnWidthDots() const
{
    const int usable = paperWidthMm - leftMarginMm - (columns - 1) * columnGapMm;
    return std::max(1, dotsX(double(usable) / columns));
}
