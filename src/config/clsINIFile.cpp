#include "config/clsINIFile.h"

#include "services/ProcedureFrame.h"
#include "platform/Ansi.h"
#include "platform/Blanks.h"
#include "platform/Conversions.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "platform/FileError.h"
#include "platform/Format.h"
#include "platform/HexDigit.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileEncoding.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"
#include "platform/RuntimeErrors.h"

#include <QFile>
#include <algorithm>
#include <QFileInfo>
#include <QStringTokenizer>

using namespace Qt::StringLiterals;

namespace {

// The default that tells a missing key from an empty one.
const QString kMissingMarker = u"~^JUNK`~"_s;
constexpr int kStringBufferSize = 1000;
constexpr int kSectionBufferSize = 32000;
constexpr qsizetype kMaxSectionNames = 1001;

// Runs a member's body inside its trace frame; unexpected errors are recorded and raised again
// unchanged. A missing obfuscation key is refused before anything is read or written.
template <class Body>
auto traced(const QString& procedure, Body&& body, bool keyMissing = false) -> decltype(body())
{
    ProcedureFrame frame(procedure, clsINIFile::kClassName);
    if (keyMissing)
        frame.raise(RuntimeErrors::error(RuntimeErrors::PermissionDenied));
    return frame.run(ErrorExit::rethrow(), std::forward<Body>(body));
}

// The words of a Boolean setting, lower case.
std::optional<bool> booleanWord(const QString& word)
{
    static const QHash<QString, bool> words = {
        {u"y"_s, true},  {u"yes"_s, true}, {u"true"_s, true},   {u"t"_s, true},  {u"on"_s, true},
        {u"1"_s, true},  {u"-1"_s, true},  {u"n"_s, false},     {u"no"_s, false}, {u"false"_s, false},
        {u"f"_s, false}, {u"off"_s, false}, {u"0"_s, false},
    };
    const auto found = words.constFind(word);
    return found == words.cend() ? std::nullopt : std::optional<bool>(*found);
}

// A value's text as a tristate sees it; Null has none.
QString valueText(const Variant& value)
{
    return value.isNull() ? QString() : Conversions::toText(value);
}

// "true", "false" or "null": how a tristate is written.
QString tristateWord(const Variant& value)
{
    const std::optional<bool> word = booleanWord(Blanks::trim(valueText(value).toLower()));
    return word ? (*word ? u"true"_s : u"false"_s) : u"null"_s;
}

std::optional<double> doubleOf(const QString& text)
{
    if (!Conversions::isNumeric(Variant(text)))
        return std::nullopt;
    return Conversions::toDouble(Variant(text));
}

bool isHexDigit(QChar character)
{
    return HexDigit::value(character) >= 0;
}

std::optional<quint8> hexByte(QStringView digits)
{
    if (!std::all_of(digits.begin(), digits.end(), isHexDigit))
        return std::nullopt;
    bool ok = false;
    const uint code = digits.toUInt(&ok, 16);
    return ok ? std::optional<quint8>(quint8(code)) : std::nullopt;
}

// Hexadecimal digits in the runtime's "&H" notation. Up to four digits are an Integer, so
// "ffff" is -1 and reads back what WriteIntegerHex wrote; longer texts are a Long, so that
// WriteLongHex's "0000FFFF" reads back as 65535 and not as the Integer -1.
std::optional<qint32> longFromHex(const QString& digits)
{
    const QString hex = u"&H"_s + digits;
    if (!Conversions::isNumeric(Variant(hex)))
        return std::nullopt;
    if (Blanks::trim(digits).size() <= 4)
        return Conversions::toLong(Variant(hex));
    return Conversions::toLong(Variant(Conversions::val(hex + u'&')));
}

// A section entry's value as text; a Null item is an empty value.
QString entryText(const Variant& item)
{
    return item.isNull() ? QString() : Conversions::toText(item);
}

// Hexadecimal digits (blanks around them allowed) of a number beyond 32 bits.
bool isHexOverflow(const QString& digits)
{
    const QString trimmed = Blanks::trim(digits);
    if (trimmed.isEmpty() || !std::all_of(trimmed.begin(), trimmed.end(), isHexDigit))
        return false;
    qsizetype first = 0;
    while (first < trimmed.size() && trimmed.at(first) == u'0')
        ++first;
    return trimmed.size() - first > 8;
}

QString hexDigits(quint32 value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, u'0');
}

// Pairs of hexadecimal digits read from the left as ANSI codes; a lone last digit is one code.
std::optional<QString> textFromHex(const QString& hex)
{
    QString text;
    text.reserve(hex.size() / 2 + 1);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const std::optional<quint8> code = hexByte(QStringView(hex).mid(i, 2));
        if (!code)
            return std::nullopt;
        text += Ansi::character(*code);
    }
    return text;
}

QString hexFromText(const QString& text)
{
    QString hex;
    hex.reserve(text.size() * 2);
    for (const char byte : Ansi::fromUnicode(text))
        hex += hexDigits(quint8(byte), 2);
    return hex;
}

// One colour component: a number the runtime reads as a 16-bit integer, limited to 255;
// nothing for negative or too large numbers.
std::optional<qint32> colorComponent(const QString& text)
{
    if (!Conversions::isNumeric(Variant(text)))
        return std::nullopt;
    try {
        const qint16 component = Conversions::toInteger(Variant(text));
        return component < 0 ? std::nullopt : std::optional<qint32>(qMin<qint32>(component, 255));
    } catch (const AutomationError&) {
        return std::nullopt;
    }
}

// "rgb(r,g,b)" with three numeric parts, blanks anywhere.
std::optional<qint32> colorFromText(QString text)
{
    text.remove(u' ');
    if (!text.startsWith(u"rgb("_s) || !text.endsWith(u')'))
        return std::nullopt;
    const QStringList parts = text.mid(4, text.size() - 5).split(u',');
    if (parts.size() != 3)
        return std::nullopt;
    qint32 color = 0;
    qint32 scale = 1;
    for (const QString& part : parts) {
        const std::optional<qint32> component = colorComponent(part);
        if (!component)
            return std::nullopt;
        color += *component * scale;
        scale *= 256;
    }
    return color;
}

// A value the profile functions would strip or misread keeps its exact text inside quotes.
QString quotedIfNeeded(const QString& value)
{
    if (value.isEmpty())
        return value;
    const auto isQuote = [](QChar c) { return c == u'"' || c == u'\''; };
    const bool padded = ProfileFile::isSpace(value.front()) || ProfileFile::isSpace(value.back());
    const bool enclosed = value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    return padded || enclosed ? u'"' + value + u'"' : value;
}

} // namespace

QString clsINIFile::className() const
{
    return kClassName;
}

QString clsINIFile::FileName() const
{
    return traced(u"Get FileName"_s, [&] { return m_fileName; });
}

void clsINIFile::setFileName(const QString& fileName)
{
    traced(u"Let FileName"_s, [&] { m_fileName = fileName; });
}

void clsINIFile::setObfuscateKey(const QString& key)
{
    traced(u"Property (Let) ObfuscateKey"_s, [&] { m_obfuscateKey = key; });
}

QString clsINIFile::HexPrefix() const
{
    return traced(u"Get HexPrefix"_s, [&] { return m_hexPrefix; });
}

void clsINIFile::setHexPrefix(const QString& prefix)
{
    traced(u"Let HexPrefix"_s, [&] { m_hexPrefix = prefix; });
}

QString clsINIFile::DateFormat() const
{
    return traced(u"DateFormat"_s, [&] { return m_dateFormat; });
}

void clsINIFile::setDateFormat(const QString& format)
{
    traced(u"DateFormat"_s, [&] { m_dateFormat = format; });
}

QString clsINIFile::profileString(const QString& section, const QString& key, const QString& defaultValue) const
{
    if (m_fileName.isEmpty())
        return PrivateProfile::getProfileString(section, key, defaultValue, kStringBufferSize);
    return PrivateProfile::getPrivateProfileString(section, key, defaultValue, kStringBufferSize, m_fileName);
}

QString clsINIFile::profileSection(const QString& section) const
{
    if (m_fileName.isEmpty())
        return PrivateProfile::getProfileSection(section, kSectionBufferSize);
    return PrivateProfile::getPrivateProfileSection(section, kSectionBufferSize, m_fileName);
}

void clsINIFile::beginBatch()
{
    m_batch.emplace();
}

bool clsINIFile::commitBatch()
{
    const auto writes = std::exchange(m_batch, std::nullopt);
    if (!writes || writes->isEmpty())
        return true;
    return PrivateProfile::writePrivateProfile(
        *writes, m_fileName.isEmpty() ? PrivateProfile::userProfilePath() : m_fileName);
}

void clsINIFile::writeProfileString(const QString& section, const QString& key,
                                    const std::optional<QString>& value) const
{
    if (m_batch)
        m_batch->append({section, key, value});
    else if (m_fileName.isEmpty())
        PrivateProfile::writeProfileString(section, key, value);
    else
        PrivateProfile::writePrivateProfileString(section, key, value, m_fileName);
    m_writeError = PrivateProfile::lastWriteError();
}

void clsINIFile::writeProfileSection(const QString& section, const std::optional<QString>& block) const
{
    if (m_batch)
        m_batch->append({section, QString(), block});
    else if (m_fileName.isEmpty())
        PrivateProfile::writeProfileSection(section, block);
    else
        PrivateProfile::writePrivateProfileSection(section, block, m_fileName);
    m_writeError = PrivateProfile::lastWriteError();
}

QString clsINIFile::WriteFailure() const
{
    return m_writeError == 0 ? QString() : FileError::description(m_writeError);
}

std::optional<QString> clsINIFile::storedText(const QString& section, const QString& key) const
{
    QString text = profileString(section, key, kMissingMarker);
    return text == kMissingMarker ? std::nullopt : std::optional<QString>(std::move(text));
}

bool clsINIFile::FileExists(const QString& fileName) const
{
    return traced(u"FileExists"_s, [&] {
        const QString& name = fileName.isEmpty() ? m_fileName : fileName;
        return name.isEmpty() || QFileInfo(name).isFile();
    });
}

bool clsINIFile::SectionExists(const QString& section) const
{
    return traced(u"SectionExists"_s, [&] { return GetSection(section)->count() > 0; });
}

bool clsINIFile::KeyExists(const QString& section, const QString& key) const
{
    return traced(u"KeyExists"_s, [&] { return storedText(section, key).has_value(); });
}

QStringList clsINIFile::SectionNames() const
{
    return traced(u"SectionNames"_s, [&] {
        QStringList names;
        QFile file(m_fileName.isEmpty() ? PrivateProfile::userProfilePath() : m_fileName);
        if (!file.open(QIODevice::ReadOnly))
            return names;
        const QByteArray bytes = file.readAll();
        // In the file's own encoding, with the line ends the profile functions know.
        QString text = ProfileEncoding::detect(bytes).decode(bytes);
        text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        for (const QStringView line : QStringTokenizer(text, QChar(u'\n'))) {
            const QString trimmed = Blanks::trim(line.toString());
            if (trimmed.size() < 2 || !trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
                continue;
            if (names.size() == kMaxSectionNames)
                RuntimeErrors::raise(RuntimeErrors::SubscriptOutOfRange);
            names.append(trimmed.mid(1, trimmed.size() - 2));
        }
        return names;
    });
}

std::shared_ptr<Dictionary> clsINIFile::GetSection(const QString& section) const
{
    return traced(u"GetSection"_s, [&] {
        auto entries = std::make_shared<Dictionary>(Dictionary::CompareMode::Text);
        const QString block = profileSection(section);
        for (const QStringView piece : QStringTokenizer(block, QChar(u'\0'))) {
            const qsizetype equals = piece.indexOf(u'=');
            if (equals < 1)
                continue;
            const QString key = piece.left(equals).toString();
            QStringView value = piece.mid(equals + 1);
            if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
                value = value.mid(1, value.size() - 2);
            // A repeated key keeps its first value.
            try {
                entries->add(key, Variant(value.toString()));
            } catch (const AutomationError&) {
            }
        }
        return entries;
    });
}

QString clsINIFile::GetString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return traced(u"GetString"_s, [&] { return profileString(section, key, defaultValue); });
}

qint32 clsINIFile::GetLong(const QString& section, const QString& key, qint32 defaultValue) const
{
    return traced(u"GetLong"_s, [&] {
        const QString text = profileString(section, key, {}).toLower();
        if (Conversions::isNumeric(Variant(text)))
            return Conversions::toLong(Variant(text));
        const QString prefix = m_hexPrefix.toLower();
        const QString digits = text.startsWith(prefix) ? text.mid(prefix.size())
                             : text.startsWith(u"&h"_s) ? text.mid(2)
                                                        : QString();
        // Too large for a Long, as a decimal number too large is.
        if (isHexOverflow(digits))
            RuntimeErrors::raise(RuntimeErrors::Overflow);
        if (!text.startsWith(prefix))
            return defaultValue;
        return longFromHex(digits).value_or(defaultValue);
    });
}

qint16 clsINIFile::GetInteger(const QString& section, const QString& key, qint16 defaultValue) const
{
    return traced(u"GetInteger"_s, [&] { return Conversions::toInteger(Variant(GetLong(section, key, defaultValue))); });
}

bool clsINIFile::GetBoolean(const QString& section, const QString& key, bool defaultValue) const
{
    return traced(u"GetBoolean"_s, [&] {
        return booleanWord(Blanks::trim(profileString(section, key, {}).toLower())).value_or(defaultValue);
    });
}

Variant clsINIFile::GetTristate(const QString& section, const QString& key, const Variant& defaultValue) const
{
    return traced(u"GetTristate"_s, [&] {
        QString text = Blanks::trim(profileString(section, key, {}).toLower());
        if (text.isEmpty())
            text = valueText(defaultValue);
        const std::optional<bool> word = booleanWord(text);
        return word ? Variant(*word) : Variant::null();
    });
}

double clsINIFile::GetDate(const QString& section, const QString& key, double defaultValue) const
{
    return traced(u"GetDate"_s, [&] { return DateValue::parse(profileString(section, key, {})).value_or(defaultValue); });
}

double clsINIFile::GetDouble(const QString& section, const QString& key, double defaultValue) const
{
    return traced(u"GetDouble"_s, [&] { return doubleOf(profileString(section, key, {}).toLower()).value_or(defaultValue); });
}

qint32 clsINIFile::GetColor(const QString& section, const QString& key, qint32 defaultValue) const
{
    return traced(u"GetColor"_s, [&] {
        return colorFromText(profileString(section, key, {}).toLower()).value_or(defaultValue);
    });
}

QString clsINIFile::GetStringHex(const QString& section, const QString& key, const QString& defaultValue) const
{
    return traced(
        u"GetStringHex"_s,
        [&] {
            const std::optional<QString> stored = storedText(section, key);
            return stored ? textFromHex(*stored).value_or(defaultValue) : defaultValue;
        },
        m_obfuscateKey.isEmpty());
}

QString clsINIFile::GetObfuscated(const QString& section, const QString& key, const QString& defaultValue) const
{
    return traced(
        u"GetObfuscated"_s,
        [&] {
            const std::optional<QString> stored = storedText(section, key);
            return stored ? clarified(*stored).value_or(defaultValue) : defaultValue;
        },
        m_obfuscateKey.isEmpty());
}

void clsINIFile::writeUnlessDefault(const QString& section, const QString& key, bool equalsDefault,
                                    const std::function<QString()>& encode)
{
    if (equalsDefault)
        EraseKey(section, key);
    else
        WriteString(section, key, encode());
}

void clsINIFile::WriteString(const QString& section, const QString& key, const QString& value,
                             const std::optional<QString>& defaultValue)
{
    traced(u"WriteString"_s, [&] {
        if (defaultValue == value)
            EraseKey(section, key);
        else
            writeProfileString(section, key, quotedIfNeeded(value));
    });
}

void clsINIFile::WriteInteger(const QString& section, const QString& key, qint16 value,
                              std::optional<qint16> defaultValue)
{
    traced(u"WriteInteger"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value, [&] { return Conversions::toText(Variant(value)); });
    });
}

void clsINIFile::WriteIntegerHex(const QString& section, const QString& key, qint16 value,
                                 std::optional<qint16> defaultValue)
{
    traced(u"WriteIntegerHex"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value,
                           [&] { return m_hexPrefix + hexDigits(quint16(value), 4); });
    });
}

void clsINIFile::WriteLong(const QString& section, const QString& key, qint32 value, std::optional<qint32> defaultValue)
{
    traced(u"WriteLong"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value, [&] { return Conversions::toText(Variant(value)); });
    });
}

void clsINIFile::WriteLongHex(const QString& section, const QString& key, qint32 value,
                              std::optional<qint32> defaultValue)
{
    traced(u"WriteLongHex"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value,
                           [&] { return m_hexPrefix + hexDigits(quint32(value), 8); });
    });
}

void clsINIFile::WriteBoolean(const QString& section, const QString& key, bool value, std::optional<bool> defaultValue)
{
    traced(u"WriteBoolean"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value, [&] { return value ? u"true"_s : u"false"_s; });
    });
}

void clsINIFile::WriteTristate(const QString& section, const QString& key, const Variant& value,
                               const std::optional<Variant>& defaultValue)
{
    traced(u"WriteTristate"_s, [&] {
        const QString word = tristateWord(value);
        writeUnlessDefault(section, key, defaultValue && tristateWord(*defaultValue) == word, [&] { return word; });
    });
}

void clsINIFile::WriteDate(const QString& section, const QString& key, double value, std::optional<double> defaultValue)
{
    traced(u"WriteDate"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value,
                           [&] { return Format::format(Variant::fromDate(value), m_dateFormat); });
    });
}

void clsINIFile::WriteDouble(const QString& section, const QString& key, double value,
                             std::optional<double> defaultValue)
{
    traced(u"WriteDouble"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value, [&] { return Conversions::toText(Variant(value)); });
    });
}

void clsINIFile::WriteColor(const QString& section, const QString& key, qint32 value, std::optional<qint32> defaultValue)
{
    traced(u"WriteColor"_s, [&] {
        writeUnlessDefault(section, key, defaultValue == value, [&] {
            const qint32 red = value & 0xFF;
            const qint32 green = (value & 0xFF00) / 256;
            const qint32 blue = (value & 0xFF0000) / 65536;
            return u"rgb(%1,%2,%3)"_s.arg(red).arg(green).arg(blue);
        });
    });
}

void clsINIFile::WriteStringHex(const QString& section, const QString& key, const QString& value,
                                const std::optional<QString>& defaultValue)
{
    traced(
        u"WriteStringHex"_s,
        [&] { writeUnlessDefault(section, key, defaultValue == value, [&] { return hexFromText(value); }); },
        m_obfuscateKey.isEmpty());
}

void clsINIFile::WriteObfuscated(const QString& section, const QString& key, const QString& value,
                                 const std::optional<QString>& defaultValue)
{
    traced(
        u"WriteObfuscated"_s,
        [&] { writeUnlessDefault(section, key, defaultValue == value, [&] { return Obfuscate(value); }); },
        m_obfuscateKey.isEmpty());
}

void clsINIFile::EraseKey(const QString& section, const QString& key)
{
    traced(u"EraseKey"_s, [&] { writeProfileString(section, key, std::nullopt); });
}

void clsINIFile::EraseSection(const QString& section)
{
    traced(u"EraseSection"_s, [&] { writeProfileSection(section, std::nullopt); });
}

void clsINIFile::WriteSection(const QString& section, const std::shared_ptr<Dictionary>& entries)
{
    traced(u"WriteSection"_s, [&] {
        QString block;
        if (entries) {
            const QStringList keys = entries->keys();
            const VariantArray items = entries->items();
            for (qsizetype i = 0; i < keys.size(); ++i)
                block += keys.at(i) + u'=' + entryText(items.at(i)) + QChar(u'\0');
        }
        block += QChar(u'\0');
        block += QChar(u'\0');
        writeProfileSection(section, block);
    });
}

QString clsINIFile::Obfuscate(const QString& text) const
{
    return traced(
        u"Obfuscate"_s,
        [&] {
            const QByteArray key = Ansi::fromUnicode(m_obfuscateKey);
            const QByteArray bytes = Ansi::fromUnicode(text);
            QString hex;
            hex.reserve(bytes.size() * 2);
            for (qsizetype i = 0; i < bytes.size(); ++i)
                hex += hexDigits(quint8(bytes.at(i) ^ key.at(i % key.size())), 2);
            return zJumble(hex);
        },
        m_obfuscateKey.isEmpty());
}

QString clsINIFile::Clarify(const QString& text) const
{
    return traced(
        u"Clarify"_s,
        [&] {
            const std::optional<QString> clear = clarified(text);
            if (!clear)
                RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
            return *clear;
        },
        m_obfuscateKey.isEmpty());
}

std::optional<QString> clsINIFile::clarified(const QString& text) const
{
    const QString hex = zJumble(text);
    const QByteArray key = Ansi::fromUnicode(m_obfuscateKey);
    const qsizetype blockSize = key.size() * 2;
    QString clear;
    clear.reserve(hex.size() / 2);
    for (qsizetype block = 0; block < hex.size(); block += blockSize) {
        for (qsizetype j = 0; j < key.size() && block + 2 * j + 1 < hex.size(); ++j) {
            const std::optional<quint8> code = hexByte(QStringView(hex).mid(block + 2 * j, 2));
            if (!code)
                return std::nullopt;
            clear += Ansi::character(quint8(*code ^ quint8(key.at(j))));
        }
    }
    return clear;
}

QString clsINIFile::zJumble(const QString& text) const
{
    return traced(u"zJumble"_s, [&] {
        QString jumbled = text;
        qsizetype chunk = 2;
        for (qsizetype start = 0; start < jumbled.size(); start += chunk++) {
            const qsizetype end = qMin(start + chunk, jumbled.size());
            std::reverse(jumbled.begin() + start, jumbled.begin() + end);
        }
        return jumbled;
    });
}
