#include "components/ReceiptBarcode.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "platform/Variant.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <memory>
#include <zint.h>

using namespace Qt::StringLiterals;

namespace {

// The raster of a symbol at one pixel a module: zint draws an X-dimension as two pixels
// times the scale.
constexpr float kOnePixelScale = 0.5F;
// The longest data handed to libzint; longer data fits no symbol a receipt can hold.
constexpr qsizetype kLongestData = 4000;

QString normalised(const QString& type)
{
    QString name = type.toLower();
    name.remove(u' ').remove(u'-').remove(u'_');
    return name;
}

const QHash<QString, int>& symbologies()
{
    static const QHash<QString, int> table{
        {QStringLiteral("code39"), BARCODE_CODE39},     {QStringLiteral("39"), BARCODE_CODE39},
        {QStringLiteral("code93"), BARCODE_CODE93},     {QStringLiteral("code128"), BARCODE_CODE128},
        {QStringLiteral("128"), BARCODE_CODE128},       {QStringLiteral("ean13"), BARCODE_EANX},
        {QStringLiteral("ean8"), BARCODE_EANX},         {QStringLiteral("ean"), BARCODE_EANX},
        {QStringLiteral("upca"), BARCODE_UPCA},         {QStringLiteral("upc"), BARCODE_UPCA},
        {QStringLiteral("itf"), BARCODE_C25INTER},      {QStringLiteral("i2of5"), BARCODE_C25INTER},
        {QStringLiteral("interleaved2of5"), BARCODE_C25INTER},
        {QStringLiteral("codabar"), BARCODE_CODABAR},   {QStringLiteral("qr"), BARCODE_QRCODE},
        {QStringLiteral("qrcode"), BARCODE_QRCODE},     {QStringLiteral("pdf417"), BARCODE_PDF417},
        {QStringLiteral("datamatrix"), BARCODE_DATAMATRIX}, {QStringLiteral("aztec"), BARCODE_AZTEC},
    };
    return table;
}

// Quiet zones in modules, left and right, as the symbologies' standards give them.
struct SymbologyQuietZone {
    int symbology;
    // 0: any width; otherwise only a symbol of this many modules (EAN-13 and EAN-8 share one).
    int modules;
    int left;
    int right;
};

constexpr SymbologyQuietZone kQuietZones[] = {
    {BARCODE_CODE39, 0, 10, 10},   {BARCODE_CODE93, 0, 10, 10},   {BARCODE_CODE128, 0, 10, 10},
    {BARCODE_EANX, 95, 11, 7},     {BARCODE_EANX, 67, 7, 7},      {BARCODE_UPCA, 0, 9, 9},
    {BARCODE_C25INTER, 0, 10, 10}, {BARCODE_CODABAR, 0, 10, 10},  {BARCODE_QRCODE, 0, 4, 4},
    {BARCODE_PDF417, 0, 2, 2},     {BARCODE_DATAMATRIX, 0, 1, 1}, {BARCODE_AZTEC, 0, 0, 0},
};

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

// The raster zint made, one pixel a module, as a monochrome image.
QImage modules(const zint_symbol& symbol)
{
    QImage image(symbol.bitmap_width, symbol.bitmap_height, QImage::Format_Grayscale8);
    for (int y = 0; y < symbol.bitmap_height; ++y) {
        uchar* line = image.scanLine(y);
        const unsigned char* rgb = symbol.bitmap + qsizetype(y) * symbol.bitmap_width * 3;
        for (int x = 0; x < symbol.bitmap_width; ++x)
            line[x] = rgb[x * 3] < 128 ? 0 : 255;
    }
    return image;
}

// The first and last column of the first row with a dark module.
std::pair<int, int> darkColumns(const QImage& raster)
{
    const uchar* row = raster.constScanLine(0);
    int first = 0;
    int last = raster.width() - 1;
    while (first < last && row[first] != 0)
        ++first;
    while (last > first && row[last] != 0)
        --last;
    return {first, last};
}

} // namespace

QImage ReceiptBarcode::enlarged(const QImage& raster, int moduleDots, int height)
{
    QImage image(raster.width() * moduleDots, height, QImage::Format_Grayscale8);
    if (image.isNull())
        return image;
    int drawnRow = -1;
    for (int y = 0; y < height; ++y) {
        const int row = int(qint64(y) * raster.height() / height);
        uchar* out = image.scanLine(y);
        // Rows of one raster row are alike: the first is drawn, the others copied.
        if (row == drawnRow) {
            std::memcpy(out, image.constScanLine(y - 1), size_t(image.width()));
            continue;
        }
        const uchar* in = raster.constScanLine(row);
        for (int x = 0; x < raster.width(); ++x) {
            for (int k = 0; k < moduleDots; ++k)
                out[qsizetype(x) * moduleDots + k] = in[x];
        }
        drawnRow = row;
    }
    return image;
}

QString ReceiptBarcode::encodedData(const QString& data)
{
    const auto isLayout = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    qsizetype first = 0;
    qsizetype end = data.size();
    while (first < end && isLayout(data.at(first)))
        ++first;
    while (end > first && isLayout(data.at(end - 1)))
        --end;
    return data.mid(first, end - first);
}

ReceiptBarcode::Symbol ReceiptBarcode::fitted(const QString& type, int width, int heightDots, const QString& data,
                                              int columnDots)
{
    int module = std::clamp(width, 1, kWidestUnit) * (isMatrix(type) ? kMatrixModuleDots : kLinearModuleDots);
    Symbol symbol = render(type, module, heightDots, data);
    while (!symbol.image.isNull() && symbol.widthWithQuietZones() > columnDots && module > 1) {
        module = std::clamp(module * columnDots / symbol.widthWithQuietZones(), 1, module - 1);
        symbol = render(type, module, heightDots, data);
    }
    if (!symbol.image.isNull() && symbol.widthWithQuietZones() > columnDots) {
        Services::logger().log(Variant(u"Barcode "_s + type + u" too wide for the paper, printed as text: "_s
                                       + encodedData(data)),
                               Trace::WarningSeverity);
        return {};
    }
    return symbol;
}

ReceiptBarcode::QuietZone ReceiptBarcode::quietZone(int symbology, int modules)
{
    for (const SymbologyQuietZone& zone : kQuietZones) {
        if (zone.symbology == symbology && (zone.modules == 0 || zone.modules == modules))
            return {zone.left, zone.right};
    }
    return {10, 10};
}

int ReceiptBarcode::symbology(const QString& type)
{
    return symbologies().value(normalised(type), 0);
}

bool ReceiptBarcode::isMatrix(const QString& type)
{
    const int kind = symbology(type);
    return kind == BARCODE_QRCODE || kind == BARCODE_PDF417 || kind == BARCODE_DATAMATRIX || kind == BARCODE_AZTEC;
}

ReceiptBarcode::Symbol ReceiptBarcode::render(const QString& type, int moduleDots, int heightDots, const QString& data)
{
    Symbol result;
    const int kind = symbology(type);
    const QByteArray bytes = encodedData(data).toUtf8();
    if (kind == 0 || bytes.isEmpty() || bytes.size() > kLongestData || moduleDots < 1 || heightDots < 1)
        return result;

    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return result;
    symbol->symbology = kind;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->scale = kOnePixelScale;
    symbol->whitespace_width = 0;
    symbol->border_width = 0;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()))
        >= ZINT_ERROR)
        return result;
    // The human-readable text is worked out while encoding.
    result.humanReadable = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    if (ZBarcode_Buffer(symbol.get(), 0) >= ZINT_ERROR || !symbol->bitmap || symbol->bitmap_width < 1
        || symbol->bitmap_height < 1)
        return result;

    const QImage raster = modules(*symbol);
    const auto [firstDark, lastDark] = darkColumns(raster);
    const QuietZone zone = quietZone(kind, lastDark - firstDark + 1);
    result.quietLeft = zone.left * moduleDots;
    result.quietRight = zone.right * moduleDots;
    result.twoDimensional = isMatrix(type) || symbol->rows > 1;
    if (result.twoDimensional) {
        result.humanReadable.clear();
        result.image = enlarged(raster, moduleDots, raster.height() * moduleDots);
    } else {
        // A linear code: its first row of bars, drawn as tall as asked. libzint puts white of
        // its own beside EAN and UPC codes: the bars alone are kept, the quiet zones come from
        // the table.
        result.image = enlarged(raster.copy(firstDark, 0, lastDark - firstDark + 1, 1), moduleDots, heightDots);
    }
    return result;
}
