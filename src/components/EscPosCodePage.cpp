#include "components/EscPosCodePage.h"

#include "platform/Ansi.h"

#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

struct CodePage {
    int number;
    // ESC t n of the page on an ESC/POS printer.
    quint8 table;
    const char* iconvName;
};

constexpr CodePage kCodePages[] = {
    {1252, 16, nullptr}, {437, 0, "CP437"},  {850, 2, "CP850"},  {852, 18, "CP852"}, {858, 19, "CP858"},
    {860, 3, "CP860"},   {863, 4, "CP863"},  {865, 5, "CP865"},  {866, 17, "CP866"},
};

constexpr char kUnknown = '?';

// The number in a name: "cp850", "PC 850", "windows-1252" and "850" all name 850.
int codePageNumber(const QString& name)
{
    QString digits;
    for (QChar c : name) {
        if (c.isDigit())
            digits += c;
    }
    return digits.toInt();
}

const CodePage* find(const QString& name)
{
    const int number = codePageNumber(name);
    for (const CodePage& page : kCodePages) {
        if (page.number == number)
            return &page;
    }
    return nullptr;
}

// The character of each byte from 128 up, as iconv decodes the page.
QHash<char16_t, char> upperHalf(const char* iconvName)
{
    QHash<char16_t, char> table;
    iconv_t converter = iconv_open("UTF-16LE", iconvName);
    if (converter == iconv_t(-1))
        return table;
    for (int code = 128; code < 256; ++code) {
        char in = char(code);
        std::array<char16_t, 2> out{};
        char* inPointer = &in;
        auto* outPointer = reinterpret_cast<char*>(out.data());
        size_t inLeft = 1;
        size_t outLeft = sizeof(out);
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1) && outLeft == 2)
            table.insert(out[0], char(code));
    }
    iconv_close(converter);
    return table;
}

} // namespace

bool EscPosCodePage::known(const QString& name)
{
    return find(name) != nullptr;
}

EscPosCodePage EscPosCodePage::named(const QString& name)
{
    EscPosCodePage codePage;
    const CodePage* page = find(name);
    if (!page || !page->iconvName)
        return codePage;
    codePage.m_table = page->table;
    codePage.m_upper = upperHalf(page->iconvName);
    return codePage;
}

QByteArray EscPosCodePage::encode(const QString& text) const
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A character beyond the Basic Multilingual Plane (an emoji) is one "?", not one a half.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        bytes.append(byteOf(c));
    }
    return bytes;
}

char EscPosCodePage::byteOf(char16_t c) const
{
    // Control characters, C1 included (Windows-1252 leaves five of them undefined), would be
    // commands to the printer.
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || QChar::isSurrogate(c))
        return kUnknown;
    if (c < 0x80)
        return char(c);
    if (m_upper.isEmpty())
        return char(Ansi::code(QChar(c)));
    return m_upper.value(c, kUnknown);
}
