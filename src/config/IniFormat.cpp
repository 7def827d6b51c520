#include "config/IniFormat.h"

#include "services/ProcedureFrame.h"
#include "config/modINIConstants.h"
#include "platform/Conversions.h"
#include "platform/Format.h"
#include "support/modTouchTools.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kMapMark = u'~';
const QString kLetters = u"abcdefghijklmnopqrstuvwxyz"_s;
constexpr int kAddressParts = 4;
constexpr int kPartDigits = 3;
// "a" to "v" pick characters of the zero-filled address, "w" to "z" its parts.
constexpr char16_t kLastCharacterLetter = u'v';
constexpr char16_t kFirstPartLetter = u'w';
constexpr char16_t kLastPartLetter = u'z';

// A decimal part without its leading zeros ("010" gives "10", "000" gives "0").
QString withoutLeadingZeros(const QString& part)
{
    qsizetype start = 0;
    while (start < part.size() - 1 && part[start] == u'0')
        ++start;
    return part.mid(start);
}

} // namespace

QString IniFormat::zFormat(const Variant& value, const QString& pattern)
{
    ProcedureFrame frame(u"Function zFormat"_s, modINIConstants::moduleName);
    return frame.run(ErrorExit::forModule(), [&] {
        if (pattern.isEmpty())
            return Conversions::toText(value);
        if (pattern.startsWith(kMapMark))
            return modTouchTools::MapCharacters(Conversions::toText(value), pattern.mid(1), kLetters);
        return Format::format(value, pattern);
    });
}

QString IniFormat::zFormatIP(const QString& address, const QString& pattern)
{
    ProcedureFrame frame(u"Function zFormat"_s, modINIConstants::moduleName);
    return frame.run(ErrorExit::forModule(), [&] {
        if (pattern.isEmpty())
            return address;
        if (pattern.startsWith(kMapMark))
            return mapAddress(address, pattern.mid(1));
        return Format::format(address, pattern);
    });
}

QString IniFormat::mapAddress(const QString& address, const QString& map)
{
    const QStringList parts = address.split(u'.');
    QString filled = address;
    if (parts.size() == kAddressParts) {
        QStringList padded;
        for (const QString& part : parts)
            padded.append(part.rightJustified(kPartDigits, u'0'));
        filled = padded.join(u'.');
    }
    QString mapped;
    for (const QChar c : map) {
        const char16_t code = c.unicode();
        if (code >= u'a' && code <= kLastCharacterLetter)
            mapped += filled.mid(code - u'a', 1);
        else if (code >= kFirstPartLetter && code <= kLastPartLetter)
            mapped += withoutLeadingZeros(parts.value(code - kFirstPartLetter));
        else
            mapped += c;
    }
    return mapped;
}
