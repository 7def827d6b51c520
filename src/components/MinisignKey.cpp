#include "components/MinisignKey.h"

#include <QFile>
#include <algorithm>
#include <sodium.h>

namespace {

const QByteArray kUntrustedComment = QByteArrayLiteral("untrusted comment:");
const QByteArray kKeyAlgorithm = QByteArrayLiteral("Ed");

} // namespace

std::optional<QByteArray> MinisignKey::decodeBase64(const QByteArray& text)
{
    QByteArray bytes(text.size(), '\0');
    size_t length = 0;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), size_t(bytes.size()), text.constData(),
                          size_t(text.size()), nullptr, &length, nullptr, sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return std::nullopt;
    bytes.truncate(qsizetype(length));
    return bytes;
}

std::optional<MinisignKey> MinisignKey::fromText(const QByteArray& text)
{
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(kUntrustedComment))
            continue;
        const auto bytes = decodeBase64(line);
        if (!bytes || bytes->size() != kKeyAlgorithm.size() + kIdSize + kKeySize || !bytes->startsWith(kKeyAlgorithm))
            return std::nullopt;
        MinisignKey key;
        key.m_id = bytes->mid(kKeyAlgorithm.size(), kIdSize);
        key.m_key = bytes->mid(kKeyAlgorithm.size() + kIdSize);
        return key;
    }
    return std::nullopt;
}

std::optional<MinisignKey> MinisignKey::fromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return std::nullopt;
    return fromText(file.read(kMaxFileSize));
}

QString MinisignKey::idText(const QByteArray& id)
{
    // minisign prints the id as a little-endian number, without leading zeros.
    QByteArray reversed = id;
    std::reverse(reversed.begin(), reversed.end());
    QString digits = QString::fromLatin1(reversed.toHex().toUpper());
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits;
}
