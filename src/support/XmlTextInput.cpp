#include "support/XmlTextInput.h"

#include "platform/Ansi.h"
#include "support/Utf8Decoder.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace {

// A lead byte announces at most five continuation bytes.
constexpr qsizetype kLongestContinuation = 5;

} // namespace

XmlTextInput::XmlTextInput(QStringView windows1252)
    : m_characters(windows1252), m_isCharacters(true), m_size(windows1252.size())
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

XmlTextInput::XmlTextInput(QByteArrayView bytes) : m_bytes(bytes), m_isCharacters(false), m_size(bytes.size())
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

quint8 XmlTextInput::byteAt(qsizetype index) const
{
    if (!m_isCharacters)
        return quint8(m_bytes[index]);
    const QChar character = m_characters[index];
    return character.unicode() < 0x80 ? quint8(character.unicode()) : Ansi::code(character);
}

qsizetype XmlTextInput::skipAscii(qsizetype from) const
{
    // Markup is nearly all ASCII: eight bytes, or four characters, are tested at once. A block
    // that may hold a byte from 128 up is looked at one by one (a character beyond the code
    // page becomes "?").
    constexpr quint64 kHighBytes = 0x8080808080808080ull;
    constexpr quint64 kHighCharacters = 0xFF80FF80FF80FF80ull;
    const char* const data = m_isCharacters ? reinterpret_cast<const char*>(m_characters.utf16()) : m_bytes.data();
    const qsizetype unitsPerBlock = m_isCharacters ? 4 : 8;
    const quint64 high = m_isCharacters ? kHighCharacters : kHighBytes;
    while (from < m_size) {
        for (; from + unitsPerBlock <= m_size; from += unitsPerBlock) {
            quint64 block;
            std::memcpy(&block, data + from * (8 / unitsPerBlock), sizeof block);
            if (block & high)
                break;
        }
        for (const qsizetype blockEnd = std::min(m_size, from + unitsPerBlock); from < blockEnd; ++from) {
            if (byteAt(from) >= 0x80)
                return from;
        }
    }
    return m_size;
}

bool XmlTextInput::isUtf8() const
{
    QByteArray run;
    QString decoded;
    for (qsizetype at = skipAscii(0); at < m_size; at = skipAscii(at)) {
        qsizetype end = at;
        while (end < m_size && byteAt(end) >= 0x80)
            ++end;
        // A sequence cannot reach past the run, but the decoder must see what follows it to
        // tell a sequence cut off by the end of the text from one cut off by an ASCII byte.
        const qsizetype checked = std::min(m_size, end + kLongestContinuation);
        run.resize(checked - at);
        copyBytes(at, checked - at, run.data());
        decoded.clear();
        if (Utf8Decoder::decode(run, decoded).status != Utf8Decoder::Status::Decoded)
            return false;
        at = end;
    }
    return true;
}

void XmlTextInput::copyBytes(qsizetype from, qsizetype count, char* out) const
{
    if (!m_isCharacters) {
        std::memcpy(out, m_bytes.data() + from, size_t(count));
        return;
    }
    const char16_t* const in = m_characters.utf16() + from;
    for (qsizetype i = 0; i < count; ++i)
        out[i] = in[i] < 0x80 ? char(in[i]) : char(Ansi::code(QChar(in[i])));
}

qint64 XmlTextInput::bytesAvailable() const
{
    return m_size - m_read + QIODevice::bytesAvailable();
}

qint64 XmlTextInput::readData(char* data, qint64 maxSize)
{
    const qsizetype count = std::min<qsizetype>(maxSize, m_size - m_read);
    copyBytes(m_read, count, data);
    m_read += count;
    return count;
}
