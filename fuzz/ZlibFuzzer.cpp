// Treats the input as a file that may be compressed: Read either fails with a zlib error or
// gives the text; Decompress fails the same way and leaves the file, or writes exactly the
// bytes of that text; compressing the text again reads back the same.
#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "support/clsZlib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// In memory where the system offers it, so that the files cost no disk writes.
QTemporaryDir& scratchFolder()
{
    static QTemporaryDir folder(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/zlibfuzz-XXXXXX"_s
                                                              : QDir::tempPath() + u"/zlibfuzz-XXXXXX"_s);
    return folder;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

bool isZlibError(const AutomationError& error)
{
    return (quint32(error.number()) & 0xFFFF0000u) == clsZlib::kZlibErrorBase;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDir folder(scratchFolder().path());
    const QString packedName = folder.filePath(u"doc.xml.gz"_s);
    const QString plainName = folder.filePath(u"doc.xml"_s);
    QFile::remove(plainName);
    writeFile(packedName, bytes);

    clsZlib zlib;
    zlib.setExtension(u"gz"_s);
    QString text;
    qint32 readError = 0;
    try {
        text = zlib.Read(plainName);
    } catch (const AutomationError& error) {
        if (!isZlibError(error))
            std::abort();
        readError = error.number();
    }

    try {
        zlib.Decompress(plainName);
        if (readError != 0)
            std::abort();
    } catch (const AutomationError& error) {
        if (error.number() != readError || readFile(packedName) != bytes)
            std::abort();
        return 0;
    }
    const bool wasCompressed = !QFile::exists(packedName);
    if (readFile(wasCompressed ? plainName : packedName) != Ansi::fromUnicode(text))
        std::abort();

    const QString again = folder.filePath(u"again"_s);
    zlib.Save(again, text, true);
    if (zlib.Read(again) != text)
        std::abort();
    return 0;
}
