#include "fakes/EscPosJobDecoder.h"

#include "platform/Ansi.h"

#include <cstring>
#include <utility>

namespace {

constexpr char kEsc = 0x1B;
constexpr char kGs = 0x1D;
constexpr char kDle = 0x10;
constexpr char kFs = 0x1C;
constexpr char kLf = 0x0A;

quint8 at(const QByteArray& bytes, qsizetype index)
{
    return quint8(bytes.at(index));
}

struct LinearType {
    int m;
    const char* name;
};

// GS k function B.
constexpr LinearType kLinearTypes[] = {{65, "upca"},  {66, "upce"},    {67, "ean13"},  {68, "ean8"},
                                       {69, "code39"}, {70, "itf"},    {71, "codabar"}, {72, "code93"},
                                       {73, "code128"}};

QString linearName(int m)
{
    for (const LinearType& type : kLinearTypes) {
        if (type.m == m)
            return QString::fromLatin1(type.name);
    }
    return QStringLiteral("?");
}

// A character read in code set A (0x00-0x5F) or B (0x20-0x7F), 128 above when extended; U+FFFD
// for a byte outside the code set.
QChar code128Character(char set, quint8 byte, bool extended)
{
    const bool inSet = set == 'A' ? byte < 0x60 : byte >= 0x20 && byte < 0x80;
    return inSet ? QChar(char16_t(byte | (extended ? 0x80 : 0))) : QChar(QChar::ReplacementCharacter);
}

// CODE128 data as printed and read back: "{A" and "{B" characters, "{C" pairs of digits, "{{"
// for "{", "{S" for one character of the other of code sets A and B, "{4" (FNC4) for the next
// character 128 above, and two "{4" in a row for every character until the next two.
QString code128Text(const QByteArray& data)
{
    QString text;
    char set = 'B';
    bool shifted = false;
    bool fnc4 = false;
    bool extended = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        char byte = data[i];
        if (byte == '{' && i + 1 < data.size()) {
            byte = data[++i];
            if (byte == 'S') {
                shifted = true;
                continue;
            }
            if (byte == '4') {
                extended = fnc4 ? !extended : extended;
                fnc4 = !fnc4;
                continue;
            }
            if (byte != '{') {
                set = byte;
                continue;
            }
        }
        if (set == 'C')
            text += quint8(byte) < 100 ? QStringLiteral("%1").arg(int(quint8(byte)), 2, 10, QChar(u'0'))
                                       : QString(QChar::ReplacementCharacter);
        else
            text += code128Character(shifted ? char('A' + 'B' - set) : set, quint8(byte), extended != fnc4);
        shifted = false;
        fnc4 = false;
    }
    return text;
}

} // namespace

QByteArray EscPosJobDecoder::feed(const QByteArray& bytes)
{
    m_buffer += bytes;
    QByteArray answers;
    while (!m_buffer.isEmpty()) {
        const qsizetype used = command(answers);
        if (used == 0)
            break;
        m_bytesRead += used;
        m_buffer.remove(0, used);
    }
    return answers;
}

QStringList EscPosJobDecoder::lines() const
{
    QStringList result;
    for (const Item& item : m_items) {
        if (item.kind == Item::Kind::Text)
            result.append(item.text);
    }
    return result;
}

EscPosJobDecoder::Item EscPosJobDecoder::settingsItem(Item::Kind kind) const
{
    Item item;
    item.kind = kind;
    item.alignment = m_alignment;
    item.font = m_font;
    item.width = m_width;
    item.height = m_height;
    item.bold = m_bold;
    item.underline = m_underline;
    item.reverse = m_reverse;
    item.lineSpacing = m_lineSpacing;
    return item;
}

void EscPosJobDecoder::add(Item item)
{
    item.fedBefore = std::exchange(m_fed, 0);
    m_items.append(item);
}

void EscPosJobDecoder::reset()
{
    m_codeTable = 0;
    m_alignment = 0;
    m_font = 0;
    m_width = 1;
    m_height = 1;
    m_bold = false;
    m_underline = false;
    m_reverse = false;
    m_lineSpacing = 0;
    m_kanjiCancelled = false;
    m_characterSet = 0;
}

void EscPosJobDecoder::endLine()
{
    Item item = settingsItem(Item::Kind::Text);
    // Windows-1252 is the table the program chooses by default; others are kept as Latin-1.
    item.text = m_codeTable == 16 ? Ansi::toUnicode(m_line) : QString::fromLatin1(m_line);
    add(item);
    m_line.clear();
    m_lineStarted = false;
}

void EscPosJobDecoder::unknown(qsizetype length)
{
    Item item;
    item.kind = Item::Kind::Unknown;
    item.text = QString::fromLatin1(m_buffer.left(length).toHex(' '));
    add(item);
}

qsizetype EscPosJobDecoder::command(QByteArray& answers)
{
    const char first = m_buffer.at(0);
    const bool raster = first == kGs && m_buffer.size() >= 3 && m_buffer.at(1) == 'v' && m_buffer.at(2) == '0';
    // Bands of one image follow each other with nothing between.
    if (!raster && !(first == kGs && m_buffer.size() < 3))
        m_lastWasRaster = false;
    if (first == kLf) {
        endLine();
        return 1;
    }
    if (first == kEsc)
        return esc(answers);
    if (first == kGs)
        return gs();
    if (first == kFs) {
        if (m_buffer.size() < 2)
            return 0;
        // FS . cancels Kanji mode; other FS commands are not read here.
        if (m_buffer.at(1) == '.')
            m_kanjiCancelled = true;
        else
            unknown(2);
        return 2;
    }
    if (first == kDle) {
        if (m_buffer.size() < 3)
            return 0;
        if (m_buffer.at(1) != 0x04) {
            unknown(2);
            return 2;
        }
        if (m_answer)
            answers += m_answer(at(m_buffer, 2));
        return 3;
    }
    if (quint8(first) < 0x20) {
        unknown(1);
        return 1;
    }
    m_line.append(first);
    m_lineStarted = true;
    return 1;
}

qsizetype EscPosJobDecoder::esc(QByteArray&)
{
    if (m_buffer.size() < 2)
        return 0;
    const char code = m_buffer.at(1);
    if (code == '@') {
        reset();
        ++m_initialisations;
        return 2;
    }
    if (m_buffer.size() < 3)
        return 0;
    const int n = at(m_buffer, 2);
    switch (code) {
    case 'a': m_alignment = n % 48; break;
    case 'E': m_bold = n & 1; break;
    case '-': m_underline = (n % 48) != 0; break;
    case 'M': m_font = n % 48; break;
    case 't': m_codeTable = n; break;
    case 'R': m_characterSet = n; break;
    case '3': m_lineSpacing = n; break;
    case 'J':
        if (m_lineStarted)
            endLine();
        m_fed += n;
        break;
    default: unknown(3); break;
    }
    return 3;
}

qsizetype EscPosJobDecoder::gs()
{
    if (m_buffer.size() < 3)
        return 0;
    const char code = m_buffer.at(1);
    const int n = at(m_buffer, 2);
    switch (code) {
    case 'v': return raster();
    case 'k': return barcode();
    case '(': return symbol2D();
    case 'B': m_reverse = n & 1; return 3;
    case '!':
        m_width = (n >> 4) + 1;
        m_height = (n & 0x0F) + 1;
        return 3;
    case 'h': m_barHeight = n; return 3;
    case 'w': m_barWidth = n; return 3;
    case 'H': m_textBelow = (n % 48) == 2 || (n % 48) == 3; return 3;
    case 'f': return 3;
    case 'V': {
        // Function A (m 0, 1, 48, 49) has no n; function B (65, 66) has one.
        const bool functionB = n == 65 || n == 66;
        if (functionB && m_buffer.size() < 4)
            return 0;
        Item item;
        item.kind = Item::Kind::Cut;
        item.halfCut = n == 1 || n == 49 || n == 66;
        add(item);
        return functionB ? 4 : 3;
    }
    default: unknown(3); return 3;
    }
}

qsizetype EscPosJobDecoder::barcode()
{
    if (m_buffer.size() < 4)
        return 0;
    const int m = at(m_buffer, 2);
    if (m < 65) {
        unknown(3);
        return 3;
    }
    const int n = at(m_buffer, 3);
    if (m_buffer.size() < 4 + n)
        return 0;
    const QByteArray data = m_buffer.mid(4, n);
    Item item = settingsItem(Item::Kind::Barcode);
    item.type = linearName(m);
    item.text = m == 73 ? code128Text(data) : QString::fromLatin1(data);
    item.module = m_barWidth;
    item.barHeight = m_barHeight;
    item.textBelow = m_textBelow;
    add(item);
    return 4 + n;
}

qsizetype EscPosJobDecoder::symbol2D()
{
    if (m_buffer.size() < 5)
        return 0;
    if (m_buffer.at(2) != 'k') {
        unknown(3);
        return 3;
    }
    const int length = at(m_buffer, 3) | at(m_buffer, 4) << 8;
    if (m_buffer.size() < 5 + length)
        return 0;
    const int cn = at(m_buffer, 5);
    const int fn = at(m_buffer, 6);
    const QByteArray parameters = m_buffer.mid(7, length - 2);
    if (cn != 48 && cn != 49) {
        unknown(5 + length);
        return 5 + length;
    }
    const int index = cn - 48;
    if (fn == 67 && !parameters.isEmpty())
        m_moduleSize[index] = quint8(parameters.at(0));
    else if (fn == 80)
        m_stored[index] = parameters.mid(1);
    else if (fn == 81) {
        Item item = settingsItem(Item::Kind::Symbol2D);
        item.type = cn == 49 ? QStringLiteral("qr") : QStringLiteral("pdf417");
        item.text = QString::fromUtf8(m_stored[index]);
        item.module = m_moduleSize[index];
        add(item);
    }
    return 5 + length;
}

qsizetype EscPosJobDecoder::raster()
{
    if (m_buffer.size() < 8)
        return 0;
    const int rowBytes = at(m_buffer, 4) | at(m_buffer, 5) << 8;
    const int rows = at(m_buffer, 6) | at(m_buffer, 7) << 8;
    const qsizetype length = 8 + qsizetype(rowBytes) * rows;
    if (m_buffer.size() < length)
        return 0;
    if (m_lineStarted)
        endLine();
    QImage band(rowBytes * 8, rows, QImage::Format_Mono);
    band.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < rows; ++y)
        std::memcpy(band.scanLine(y), m_buffer.constData() + 8 + qsizetype(y) * rowBytes, size_t(rowBytes));
    const bool continues = m_lastWasRaster && !m_items.isEmpty() && m_items.last().kind == Item::Kind::Image
                           && m_items.last().image.width() == band.width();
    if (continues) {
        QImage& image = m_items.last().image;
        QImage joined(image.width(), image.height() + rows, QImage::Format_Mono);
        joined.setColorTable(image.colorTable());
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(joined.scanLine(y), image.constScanLine(y), size_t(rowBytes));
        for (int y = 0; y < rows; ++y)
            std::memcpy(joined.scanLine(image.height() + y), band.constScanLine(y), size_t(rowBytes));
        image = joined;
    } else {
        Item item = settingsItem(Item::Kind::Image);
        item.image = band;
        add(item);
    }
    m_lastWasRaster = true;
    return length;
}

EscPosJobDecoder EscPosJobDecoder::of(const QByteArray& job)
{
    EscPosJobDecoder decoder;
    decoder.feed(job);
    return decoder;
}

QByteArray EscPosJobDecoder::bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}
