#include "components/ManifestSignature.h"

#include <sodium.h>

namespace {

const QByteArray kPrehashed = QByteArrayLiteral("ED");
const QByteArray kLegacyAlgorithm = QByteArrayLiteral("Ed");
const QByteArray kUntrusted = QByteArrayLiteral("untrusted comment:");
const QByteArray kTrusted = QByteArrayLiteral("trusted comment: ");

bool signatureMatches(const QByteArray& signature, const QByteArray& message, const MinisignKey& key)
{
    return signature.size() == crypto_sign_BYTES && key.key().size() == crypto_sign_PUBLICKEYBYTES
        && crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                       reinterpret_cast<const unsigned char*>(message.constData()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char*>(key.key().constData()))
        == 0;
}

QByteArray blake2b512(const QByteArray& bytes)
{
    QByteArray hash(crypto_generichash_BYTES_MAX, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(hash.data()), size_t(hash.size()),
                       reinterpret_cast<const unsigned char*>(bytes.constData()), quint64(bytes.size()), nullptr, 0);
    return hash;
}

} // namespace

QString ManifestSignature::verify(const QByteArray& manifest, const QByteArray& signatureFile,
                                  const QList<MinisignKey>& keys)
{
    if (sodium_init() < 0)
        return kBadSignature;
    if (keys.isEmpty())
        return kNoTrustedKey;
    QList<QByteArray> lines = signatureFile.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.size() < 4 || !lines[0].startsWith(kUntrusted) || !lines[2].startsWith(kTrusted))
        return kNotMinisign;
    const auto signature = MinisignKey::decodeBase64(lines[1]);
    const auto globalSignature = MinisignKey::decodeBase64(lines[3]);
    const qsizetype signatureSize = kPrehashed.size() + MinisignKey::kIdSize + crypto_sign_BYTES;
    if (!signature || !globalSignature || signature->size() != signatureSize
        || globalSignature->size() != crypto_sign_BYTES)
        return kNotMinisign;
    if (signature->startsWith(kLegacyAlgorithm))
        return kLegacy;
    if (!signature->startsWith(kPrehashed))
        return kNotMinisign;

    const QByteArray id = signature->mid(kPrehashed.size(), MinisignKey::kIdSize);
    const QByteArray bytes = signature->mid(kPrehashed.size() + MinisignKey::kIdSize);
    const MinisignKey* signer = nullptr;
    for (const MinisignKey& key : keys)
        if (key.id() == id)
            signer = &key;
    if (!signer)
        return kUnknownKey + MinisignKey::idText(id);
    if (!signatureMatches(bytes, blake2b512(manifest), *signer))
        return kBadSignature;
    // The trusted comment is signed together with the signature it follows.
    if (!signatureMatches(*globalSignature, bytes + lines[2].mid(kTrusted.size()), *signer))
        return kBadTrustedComment;
    return {};
}
