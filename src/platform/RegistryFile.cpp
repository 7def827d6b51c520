#include "platform/RegistryFile.h"

#include "platform/Ansi.h"
#include "platform/ProgramFolders.h"

#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <array>

namespace {

struct RootName {
    quint32 handle;
    const char* name;
};

constexpr std::array<RootName, 7> kRoots{{
    {RegistryFile::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RegistryFile::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryFile::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RegistryFile::Users, "HKEY_USERS"},
    {RegistryFile::PerformanceData, "HKEY_PERFORMANCE_DATA"},
    {RegistryFile::CurrentConfig, "HKEY_CURRENT_CONFIG"},
    {RegistryFile::DynData, "HKEY_DYN_DATA"},
}};

constexpr QChar kKeySeparator = u'\\';

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isSpace(text[start]))
        ++start;
    while (end > start && isSpace(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

QString decodeFile(const QByteArray& bytes)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? Ansi::toUnicode(bytes) : text;
}

} // namespace

// Reads the export format line by line into a RegistryFile. Each broken line is dropped on
// its own; a broken key header also drops the values below it, which would otherwise land in
// the wrong key.
class RegistryFile::Parser {
public:
    explicit Parser(RegistryFile& registry) : m_registry(registry) {}

    void run(const QString& text)
    {
        splitLines(text);
        for (m_next = 0; m_next < m_lines.size();) {
            const QStringView line = trimmed(m_lines[m_next++]);
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            readLine(line);
        }
    }

private:
    // A key header or a value line never continues a byte list, so that a list broken off
    // before them cannot swallow them.
    static bool startsEntry(QStringView line)
    {
        return line.startsWith(u'[') || line.startsWith(u'"') || line.startsWith(u'@');
    }

    // Strings in hex(1), hex(2) and hex(7) data: UTF-16 in the version 5 format, ANSI in REGEDIT4.
    enum class HexText { Utf16, Ansi };

    void splitLines(const QString& text)
    {
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u'\n' && text[i] != u'\r')
                continue;
            m_lines.append(QStringView(text).sliced(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        if (start < text.size())
            m_lines.append(QStringView(text).sliced(start));
    }

    void readLine(QStringView line)
    {
        if (line == u"Windows Registry Editor Version 5.00") {
            m_hexText = HexText::Utf16;
        } else if (line == u"REGEDIT4") {
            m_hexText = HexText::Ansi;
        } else if (line.startsWith(u'[')) {
            readKeyHeader(line);
        } else if (m_key && (line.startsWith(u'"') || line.startsWith(u'@'))) {
            readValueLine(line);
        }
    }

    void readKeyHeader(QStringView line)
    {
        m_key = nullptr;
        if (!line.endsWith(u']'))
            return;
        QStringView path = line.sliced(1, line.size() - 2);
        const bool remove = path.startsWith(u'-');
        if (remove)
            path = path.sliced(1);
        const qsizetype separator = path.indexOf(kKeySeparator);
        const auto root = rootHandle(path.left(separator < 0 ? path.size() : separator).toString());
        if (!root)
            return;
        const auto full = fullPath(*root, separator < 0 ? QString() : path.sliced(separator + 1).toString());
        if (remove)
            m_registry.deleteKey(*full);
        else
            m_key = &m_registry.createKey(*full);
    }

    void readValueLine(QStringView line)
    {
        qsizetype position = 0;
        QString name;
        if (line.startsWith(u'@'))
            position = 1;
        else if (!readQuoted(line, position, name))
            return;
        while (position < line.size() && isSpace(line[position]))
            ++position;
        if (position >= line.size() || line[position] != u'=')
            return;
        readData(name, trimmed(line.sliced(position + 1)));
    }

    // A quoted text starting at position; \" and \\ are escapes, any other backslash stays.
    // Leaves position after the closing quote.
    static bool readQuoted(QStringView line, qsizetype& position, QString& text)
    {
        text.clear();
        for (qsizetype i = position + 1; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'"') {
                position = i + 1;
                return true;
            }
            if (c == kKeySeparator && i + 1 < line.size() && (line[i + 1] == u'"' || line[i + 1] == kKeySeparator))
                ++i;
            text.append(line[i]);
        }
        return false;
    }

    void readData(const QString& name, QStringView data)
    {
        if (data == u"-") {
            deleteValue(*m_key, name);
        } else if (data.startsWith(u'"')) {
            readString(name, data);
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            readDWord(name, data.sliced(6));
        } else if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
            readHex(name, data.sliced(3));
        }
    }

    void readString(const QString& name, QStringView data)
    {
        QString text;
        qsizetype position = 0;
        if (!readQuoted(data, position, text) || !trimmed(data.sliced(position)).isEmpty())
            return;
        setValue(*m_key, name, {String, Ansi::fromUnicode(text) + '\0'});
    }

    void readDWord(const QString& name, QStringView digits)
    {
        bool ok = false;
        const quint32 number = digits.size() <= 8 ? digits.toUInt(&ok, 16) : 0;
        if (!ok)
            return;
        QByteArray data(4, '\0');
        qToLittleEndian(number, data.data());
        setValue(*m_key, name, {DWord, data});
    }

    // After "hex": an optional "(type)", a colon and the byte list, continued on the next
    // lines while a line ends with a backslash.
    void readHex(const QString& name, QStringView rest)
    {
        quint32 type = Binary;
        if (rest.startsWith(u'(')) {
            const qsizetype close = rest.indexOf(u')');
            bool ok = false;
            type = close > 1 && close <= 9 ? rest.sliced(1, close - 1).toUInt(&ok, 16) : 0;
            if (!ok)
                return;
            rest = rest.sliced(close + 1);
        }
        if (!rest.startsWith(u':'))
            return;
        const auto bytes = readByteList(rest.sliced(1));
        if (bytes)
            setValue(*m_key, name, {type, textData(type, *bytes)});
    }

    std::optional<QByteArray> readByteList(QStringView list)
    {
        QString joined = list.toString();
        while (joined.endsWith(kKeySeparator)) {
            joined.chop(1);
            if (m_next >= m_lines.size() || startsEntry(trimmed(m_lines[m_next])))
                break;
            joined += trimmed(m_lines[m_next++]);
        }
        QByteArray bytes;
        const QStringList items = joined.split(u',');
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QStringView item = trimmed(items[i]);
            // A trailing comma before the end of the list is how continued lists are written.
            if (item.isEmpty() && i == items.size() - 1)
                break;
            bool ok = false;
            const uint byte = item.size() <= 2 ? item.toUInt(&ok, 16) : 0;
            if (!ok)
                return std::nullopt;
            bytes.append(char(byte));
        }
        return bytes;
    }

    // Text types come out of RegQueryValueExA as ANSI; the version 5 format stores them as UTF-16.
    QByteArray textData(quint32 type, const QByteArray& bytes) const
    {
        const bool text = type == String || type == ExpandString || type == MultiString;
        if (!text || m_hexText == HexText::Ansi)
            return bytes;
        QString decoded(bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < decoded.size(); ++i)
            decoded[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
        return Ansi::fromUnicode(decoded);
    }

    RegistryFile& m_registry;
    QList<QStringView> m_lines;
    qsizetype m_next = 0;
    Key* m_key = nullptr;
    HexText m_hexText = HexText::Utf16;
};

QString RegistryFile::location()
{
    const QString fromEnvironment = qEnvironmentVariable("PCQUIBA_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return ProgramFolders::root() + QStringLiteral("/registry.reg");
}

RegistryFile RegistryFile::open()
{
    return load(location());
}

RegistryFile RegistryFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}

RegistryFile RegistryFile::fromBytes(const QByteArray& bytes)
{
    return fromText(decodeFile(bytes));
}

RegistryFile RegistryFile::fromText(const QString& text)
{
    RegistryFile registry;
    Parser(registry).run(text);
    registry.indexExistingKeys();
    return registry;
}

std::optional<quint32> RegistryFile::rootHandle(const QString& name)
{
    for (const RootName& root : kRoots) {
        if (name.compare(QLatin1StringView(root.name), Qt::CaseInsensitive) == 0)
            return root.handle;
    }
    return std::nullopt;
}

QString RegistryFile::rootName(quint32 handle)
{
    for (const RootName& root : kRoots) {
        if (root.handle == handle)
            return QString::fromLatin1(root.name);
    }
    return {};
}

std::optional<QString> RegistryFile::openKey(quint32 root, const QString& subKey) const
{
    const auto path = fullPath(root, subKey);
    if (!path || !m_existing.contains(fold(*path)))
        return std::nullopt;
    return path;
}

std::optional<RegistryFile::Value> RegistryFile::queryValue(const QString& key, const QString& name) const
{
    const auto found = m_keys.constFind(fold(key));
    if (found == m_keys.cend())
        return std::nullopt;
    const auto value = found->values.constFind(fold(name));
    if (value == found->values.cend())
        return std::nullopt;
    return *value;
}

QStringList RegistryFile::keyPaths() const
{
    QStringList paths;
    for (const QString& folded : m_keyOrder)
        paths.append(m_keys.value(folded).path);
    return paths;
}

QStringList RegistryFile::valueNames(const QString& key) const
{
    return m_keys.value(fold(key)).valueOrder;
}

QString RegistryFile::fold(const QString& name)
{
    return name.toUpper();
}

std::optional<QString> RegistryFile::fullPath(quint32 root, const QString& subKey)
{
    QString path = rootName(root);
    if (path.isEmpty())
        return std::nullopt;
    const QStringList parts = subKey.split(kKeySeparator, Qt::SkipEmptyParts);
    for (const QString& part : parts)
        path += kKeySeparator + part;
    return path;
}

RegistryFile::Key& RegistryFile::createKey(const QString& path)
{
    const QString folded = fold(path);
    auto found = m_keys.find(folded);
    if (found == m_keys.end()) {
        m_keyOrder.append(folded);
        found = m_keys.insert(folded, Key{path, {}, {}});
    }
    return *found;
}

void RegistryFile::deleteKey(const QString& path)
{
    const QString folded = fold(path);
    const QString below = folded + kKeySeparator;
    m_keyOrder.removeIf([&](const QString& key) { return key == folded || key.startsWith(below); });
    m_keys.removeIf([&](const auto& entry) { return entry.key() == folded || entry.key().startsWith(below); });
}

void RegistryFile::setValue(Key& key, const QString& name, const Value& value)
{
    const QString folded = fold(name);
    if (!key.values.contains(folded))
        key.valueOrder.append(name);
    key.values.insert(folded, value);
}

void RegistryFile::deleteValue(Key& key, const QString& name)
{
    const QString folded = fold(name);
    key.values.remove(folded);
    key.valueOrder.removeIf([&](const QString& entry) { return fold(entry) == folded; });
}

void RegistryFile::indexExistingKeys()
{
    for (const QString& folded : std::as_const(m_keyOrder)) {
        for (qsizetype end = folded.indexOf(kKeySeparator); end >= 0; end = folded.indexOf(kKeySeparator, end + 1))
            m_existing.insert(folded.left(end));
        m_existing.insert(folded);
    }
    for (const RootName& root : kRoots)
        m_existing.insert(fold(QString::fromLatin1(root.name)));
}
