#include "platform/RegistryReader.h"

#include "platform/Ansi.h"
#include "platform/RegistryFile.h"
#include "platform/RuntimeErrors.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

// Text data as RegQueryValueExA hands it out, without the closing NULs it carries.
QString textWithoutClosingNuls(QByteArray data, int closingNuls)
{
    for (int i = 0; i < closingNuls && data.endsWith('\0'); ++i)
        data.chop(1);
    return Ansi::toUnicode(data);
}

Variant decodeText(const QByteArray& data)
{
    return textWithoutClosingNuls(data, 1);
}

Variant decodeMultiText(const QByteArray& data)
{
    return textWithoutClosingNuls(data, 2);
}

Variant decodeBytes(const QByteArray& data)
{
    VariantArray bytes;
    bytes.reserve(data.size());
    for (char byte : data)
        bytes.append(qint16(quint8(byte)));
    return bytes;
}

Variant decodeNumber(const QByteArray& data)
{
    QByteArray number = data.left(4);
    number.append(4 - number.size(), '\0');
    return qFromLittleEndian<qint32>(number.constData());
}

struct ValueDecoder {
    quint32 type;
    Variant (*decode)(const QByteArray&);
};

constexpr ValueDecoder kValueDecoders[] = {
    {RegistryFile::String, decodeText},
    {RegistryFile::ExpandString, decodeText},
    {RegistryFile::Binary, decodeBytes},
    {RegistryFile::DWord, decodeNumber},
    {RegistryFile::MultiString, decodeMultiText},
};

} // namespace

QString RegistryReader::unsupportedValueTypeText()
{
    return u"Unsupported value type"_s;
}

Variant RegistryReader::readValue(quint32 root, const QString& keyPath, const QString& valueName,
                                  const Variant& defaultValue)
{
    const RegistryFile registry = RegistryFile::open();
    const auto key = registry.openKey(root, keyPath);
    if (!key)
        return defaultValue;
    const auto value = registry.queryValue(*key, valueName);
    if (!value)
        return defaultValue;
    for (const ValueDecoder& decoder : kValueDecoders) {
        if (decoder.type == value->type)
            return decoder.decode(value->data);
    }
    RuntimeErrors::raise(UnsupportedValueTypeError, {}, unsupportedValueTypeText());
}
