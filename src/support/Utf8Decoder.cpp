#include "support/Utf8Decoder.h"

#include <cstring>

namespace {


struct LeadByte {
    int continuations;
    char32_t bits;
};

// 110xxxxx to 1111110x announce one to five continuation bytes; anything else of 128 or more
// stands for itself (continuations 0).
LeadByte leadByte(quint8 byte)
{
    if (byte >= 0xC0 && byte <= 0xDF)
        return {1, char32_t(byte & 0x1F)};
    if (byte >= 0xE0 && byte <= 0xEF)
        return {2, char32_t(byte & 0x0F)};
    if (byte >= 0xF0 && byte <= 0xF7)
        return {3, char32_t(byte & 0x07)};
    if (byte >= 0xF8 && byte <= 0xFB)
        return {4, char32_t(byte & 0x03)};
    if (byte >= 0xFC && byte <= 0xFD)
        return {5, char32_t(byte & 0x01)};
    return {0, char32_t(byte)};
}

bool isContinuation(quint8 byte)
{
    return (byte & 0xC0) == 0x80;
}

// Copies the run of ASCII bytes at in (at least the first byte is one) and gives its length.
// Markup is nearly all ASCII: eight bytes are tested at once.
qsizetype copyAscii(const quint8* in, qsizetype count, char16_t* out)
{
    constexpr quint64 kHighBits = 0x8080808080808080ull;
    qsizetype i = 0;
    for (; i + 8 <= count; i += 8) {
        quint64 block;
        std::memcpy(&block, in + i, sizeof block);
        if (block & kHighBits)
            break;
        for (int k = 0; k < 8; ++k)
            out[i + k] = in[i + k];
    }
    for (; i < count && in[i] < 0x80; ++i)
        out[i] = in[i];
    return i;
}

} // namespace

Utf8Decoder::Result Utf8Decoder::decode(QByteArrayView bytes, QString& text)
{
    const auto* in = reinterpret_cast<const quint8*>(bytes.data());
    const qsizetype count = bytes.size();
    const qsizetype start = text.size();
    // No sequence yields more UTF-16 units than it has bytes.
    text.resize(start + count);
    char16_t* out = reinterpret_cast<char16_t*>(text.data()) + start;
    char16_t* const first = out;

    Result result;
    qsizetype i = 0;
    while (i < count) {
        const quint8 byte = in[i];
        if (byte < 0x80) {
            const qsizetype run = copyAscii(in + i, count - i, out);
            out += run;
            i += run;
            continue;
        }
        const LeadByte lead = leadByte(byte);
        if (i + lead.continuations >= count)
            break;
        char32_t value = lead.bits;
        for (int k = 1; k <= lead.continuations; ++k) {
            const quint8 next = in[i + k];
            if (!isContinuation(next)) {
                result.status = Status::NotUtf8;
                break;
            }
            value = value * 64 + (next & 0x3F);
        }
        if (result.status == Status::NotUtf8 || value > QChar::LastValidCodePoint) {
            result.status = Status::NotUtf8;
            break;
        }
        if (value > 0xFFFF) {
            *out++ = QChar::highSurrogate(value);
            *out++ = QChar::lowSurrogate(value);
        } else {
            *out++ = char16_t(value);
        }
        i += lead.continuations + 1;
    }
    result.used = i;
    text.resize(start + (out - first));
    return result;
}
