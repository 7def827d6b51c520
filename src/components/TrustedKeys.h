#pragma once

#include "components/MinisignKey.h"

#include <QList>
#include <QStringList>

// The public keys an update package may be signed with. They come only from the kiosk's own
// folders, never from the INI file: /etc/pcquiba/keys, share/pcquiba/keys under the folder above
// the executable's folder, and the folder named by PCQUIBA_TRUSTED_KEYS. Each *.pub file there is
// one minisign public key; a file that is not one is passed over.
class TrustedKeys {
public:
    static inline const QString kSystemFolder = QStringLiteral("/etc/pcquiba/keys");
    static inline const QString kApplicationFolder = QStringLiteral("share/pcquiba/keys");
    static inline const char* const kEnvironment = "PCQUIBA_TRUSTED_KEYS";
    // Key files read from each folder at most.
    static constexpr int kMaxKeysPerFolder = 64;

    // The folders, in the order above; the environment's only when it is set.
    static QStringList folders();
    static QList<MinisignKey> load();
};
