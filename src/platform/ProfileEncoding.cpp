#include "platform/ProfileEncoding.h"

#include "platform/Ansi.h"

#include <algorithm>


namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF", 3);
const QByteArray kUtf16LEMark("\xFF\xFE", 2);

} // namespace

ProfileEncoding ProfileEncoding::detect(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf16LEMark))
        return ProfileEncoding(Kind::Utf16LE);
    if (bytes.startsWith(kUtf8Mark))
        return ProfileEncoding(Kind::Utf8);
    return ProfileEncoding(Kind::Ansi);
}

QByteArray ProfileEncoding::byteOrderMark() const
{
    switch (m_kind) {
    case Kind::Utf8:
        return kUtf8Mark;
    case Kind::Utf16LE:
        return kUtf16LEMark;
    case Kind::Ansi:
        break;
    }
    return {};
}

QString ProfileEncoding::decode(const QByteArray& bytes) const
{
    const QByteArray mark = byteOrderMark();
    const QByteArrayView body = bytes.startsWith(mark) ? QByteArrayView(bytes).sliced(mark.size()) : QByteArrayView(bytes);
    switch (m_kind) {
    case Kind::Utf8:
        return QString::fromUtf8(body);
    case Kind::Utf16LE: {
        // An odd last byte is half a character and is dropped.
        QString text(body.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(quint8(body[2 * i]) | (quint8(body[2 * i + 1]) << 8)));
        return text;
    }
    case Kind::Ansi:
        break;
    }
    return Ansi::toUnicode(body.toByteArray());
}

QByteArray ProfileEncoding::encode(const QString& text) const
{
    if (m_kind == Kind::Utf8)
        return byteOrderMark() + text.toUtf8();
    QByteArray bytes = byteOrderMark();
    const qsizetype start = bytes.size();
    bytes.resize(start + fixedWidth() * text.size());
    write(bytes.data() + start, text);
    return bytes;
}

int ProfileEncoding::fixedWidth() const
{
    switch (m_kind) {
    case Kind::Utf8:
        return 0;
    case Kind::Utf16LE:
        return 2;
    case Kind::Ansi:
        break;
    }
    return 1;
}

char* ProfileEncoding::write(char* out, QStringView text) const
{
    if (m_kind == Kind::Utf16LE) {
        for (const QChar character : text) {
            *out++ = char(character.unicode() & 0xFF);
            *out++ = char(character.unicode() >> 8);
        }
        return out;
    }
    for (const QChar character : text)
        *out++ = character.unicode() < 0x80 ? char(character.unicode()) : char(Ansi::code(character));
    return out;
}

QString ProfileEncoding::stored(const QString& text) const
{
    switch (m_kind) {
    case Kind::Utf8:
        // Only a lone surrogate cannot be held; it comes back as the replacement character.
        return QString::fromUtf8(text.toUtf8());
    case Kind::Utf16LE:
        return text;
    case Kind::Ansi:
        break;
    }
    // Most names and values are held as they are; they need no copy.
    const bool heldAsIs = std::all_of(text.begin(), text.end(), [](QChar character) {
        return character.unicode() < 0x80 || (character.unicode() >= 0xA0 && character.unicode() <= 0xFF);
    });
    return heldAsIs ? text : Ansi::toUnicode(Ansi::fromUnicode(text));
}
