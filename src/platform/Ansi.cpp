#include "platform/Ansi.h"

#include <QHash>

namespace {

// Codes 0x80 to 0x9F; the five codes Windows-1252 leaves undefined map to the C1 control
// characters of the same value, as Windows itself converts them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

const QHash<char16_t, quint8>& reverseHighControls()
{
    static const QHash<char16_t, quint8> table = [] {
        QHash<char16_t, quint8> result;
        for (int i = 0; i < 32; ++i)
            result.insert(kHighControls[i], quint8(0x80 + i));
        return result;
    }();
    return table;
}

} // namespace

quint8 Ansi::code(QChar character)
{
    const char16_t unicode = character.unicode();
    if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF))
        return quint8(unicode);
    return reverseHighControls().value(unicode, quint8('?'));
}

QChar Ansi::character(quint8 code)
{
    if (code >= 0x80 && code < 0xA0)
        return QChar(kHighControls[code - 0x80]);
    return QChar(char16_t(code));
}

QByteArray Ansi::fromUnicode(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = char(code(text.at(i)));
    return bytes;
}

QString Ansi::toUnicode(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = character(quint8(bytes.at(i)));
    return text;
}
