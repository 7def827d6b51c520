#include "components/TrustedKeys.h"

#include "platform/ExecutableInfo.h"

#include <QDir>

QStringList TrustedKeys::folders()
{
    QStringList result{kSystemFolder,
                       QDir::cleanPath(QDir(ExecutableInfo::folder()).filePath(QStringLiteral("../") + kApplicationFolder))};
    const QString extra = qEnvironmentVariable(kEnvironment);
    if (!extra.isEmpty())
        result << QDir::cleanPath(extra);
    return result;
}

QList<MinisignKey> TrustedKeys::load()
{
    QList<MinisignKey> keys;
    for (const QString& folder : folders()) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.pub")}, QDir::Files | QDir::Readable, QDir::Name);
        for (qsizetype i = 0; i < files.size() && i < kMaxKeysPerFolder; ++i)
            if (const auto key = MinisignKey::fromFile(files[i].filePath()))
                keys.append(*key);
    }
    return keys;
}
