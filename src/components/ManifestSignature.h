#pragma once

#include "components/MinisignKey.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Checks a minisign signature file over a package's MANIFEST. The file holds an "untrusted
// comment:" line, the base64 of "ED", the key id and the Ed25519 signature of the BLAKE2b-512
// hash of the MANIFEST, a "trusted comment: " line, and the base64 of the signature of the first
// signature followed by the trusted comment. Only that prehashed form is accepted: the legacy
// form ("Ed", the signature over the file itself) is refused, as `minisign -V -H` refuses it.
class ManifestSignature {
public:
    static inline const QString kFileName = QStringLiteral("MANIFEST.minisig");
    // A signature file is four short lines; the trusted comment is bounded by minisign itself.
    static constexpr qint64 kMaxFileSize = 4096;

    // Why a package is refused, said after "Update package NAME: ".
    static inline const QString kNoTrustedKey = QStringLiteral("no trusted key is installed to check its signature");
    static inline const QString kNotSigned = QStringLiteral("it is not signed (MANIFEST.minisig must follow MANIFEST)");
    static inline const QString kNotMinisign = QStringLiteral("its signature is not in minisign's form");
    static inline const QString kLegacy = QStringLiteral("its signature is of the legacy kind; sign with minisign 0.11 or later");
    static inline const QString kUnknownKey = QStringLiteral("it is signed by an unknown key ");
    static inline const QString kBadSignature = QStringLiteral("its signature does not match");
    static inline const QString kBadTrustedComment = QStringLiteral("the signature of its trusted comment does not match");

    // Empty when the signature is good and made by one of the keys; else why not.
    static QString verify(const QByteArray& manifest, const QByteArray& signatureFile, const QList<MinisignKey>& keys);
};
