// Update packages from outside: the input is taken as a package file, read, checked against its
// manifest and unpacked into a temporary folder. A refused package must give its reason, and
// nothing may be written beside the folder it is unpacked into.
#include "components/UpdatePackage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir parent;
    const QString file = parent.path() + QStringLiteral("/package.tar.gz");
    const QString into = parent.path() + QStringLiteral("/into");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QDir(into).removeRecursively();
    QDir().mkpath(into);

    UpdatePackage package;
    const bool loaded = package.load(file, into);
    if (loaded != package.error().isEmpty())
        std::abort();
    const QStringList beside = QDir(parent.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (beside != QStringList{QStringLiteral("into"), QStringLiteral("package.tar.gz")})
        std::abort();
    return 0;
}
