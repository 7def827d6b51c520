#include "support/clsZlib.h"

#include "app/ProcedureFrame.h"
#include "platform/Ansi.h"
#include "platform/Blanks.h"
#include "platform/RuntimeErrors.h"
#include "support/FileBytes.h"

#include <QFileInfo>
#include <cmath>
#include <limits>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

const QString kClassName = u"clsZlib"_s;
constexpr qsizetype kHeaderLength = 2;
constexpr int kDeflateMethod = 8;
constexpr int kHeaderCheckDivisor = 31;
// Decompression tries output buffers of 10, 20, 40, ... times the input, up to the largest
// factor a 16-bit count could double to.
constexpr qint64 kFirstFactor = 10;
constexpr qint64 kLastFactor = 20480;
constexpr qint64 kLongestBuffer = std::numeric_limits<qint32>::max();

struct ZlibMessage {
    int code;
    const char* text;
};

constexpr ZlibMessage kCompressMessages[] = {
    {Z_MEM_ERROR, "Insufficient memory to compress string"},
    {Z_BUF_ERROR, "Insufficient space in output buffer to compress string"},
};
constexpr const char* kCompressUnknown = "Unknown error during compress operation";

constexpr ZlibMessage kUncompressMessages[] = {
    {Z_MEM_ERROR, "Insufficient memory to uncompress string"},
    {Z_DATA_ERROR, "Cannot uncompress corrupt data"},
    {Z_BUF_ERROR, "Insufficient space in output buffer to uncompress string"},
};
constexpr const char* kUncompressUnknown = "Unknown error during uncompress operation";

template <std::size_t N>
QString messageFor(const ZlibMessage (&messages)[N], const char* unknown, int code)
{
    for (const ZlibMessage& message : messages) {
        if (message.code == code)
            return QString::fromLatin1(message.text);
    }
    return QString::fromLatin1(unknown);
}

AutomationError zlibError(int code, const QString& source, const QString& description)
{
    const auto number = qint32(clsZlib::kZlibErrorBase + quint32(std::abs(code)));
    return AutomationError(number, source, description);
}

bool isFile(const QString& fileName)
{
    return QFileInfo(fileName).isFile();
}

} // namespace

QString clsZlib::Extension() const
{
    return m_extension.mid(1);
}

void clsZlib::setExtension(const QString& extension)
{
    const QString trimmed = Blanks::trim(extension);
    if (trimmed.isEmpty() || trimmed == u"."_s)
        m_extension.clear();
    else
        m_extension = trimmed.startsWith(u'.') ? trimmed : u'.' + trimmed;
}

bool clsZlib::endsWithExtension(const QString& fileName) const
{
    return !m_extension.isEmpty() && fileName.endsWith(m_extension, Qt::CaseSensitive);
}

QString clsZlib::ExistingFile(const QString& fileName)
{
    ProcedureFrame frame(u"Function ExistingFile"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        if (isFile(fileName))
            return fileName;
        if (m_extension.isEmpty())
            return QString();
        if (isFile(fileName + m_extension))
            return fileName + m_extension;
        if (endsWithExtension(fileName) && isFile(fileName.chopped(m_extension.size())))
            return fileName.chopped(m_extension.size());
        return QString();
    });
}

bool clsZlib::hasZlibHeader(const QByteArray& start)
{
    if (start.size() <= kHeaderLength)
        return false;
    const int cmf = quint8(start[0]);
    const int flg = quint8(start[1]);
    return (cmf * 256 + flg) % kHeaderCheckDivisor == 0 && (cmf & 0x0F) == kDeflateMethod;
}

bool clsZlib::IsCompressed(const QString& fileName)
{
    ProcedureFrame frame(u"Function IsCompressed"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const QFileInfo file(fileName);
        if (!file.isFile() || file.size() <= kHeaderLength)
            return false;
        // One byte more than the header, so that the length test holds for what was read.
        return hasZlibHeader(FileBytes::readFirst(fileName, kHeaderLength + 1));
    });
}

void clsZlib::replaceFile(const QString& source, const QString& target, const QByteArray& bytes)
{
    FileBytes::write(target, bytes);
    if (QFileInfo(source).absoluteFilePath() != QFileInfo(target).absoluteFilePath())
        FileBytes::remove(source);
}

void clsZlib::Compress(const QString& fileName)
{
    ProcedureFrame frame(u"Sub Compress"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        const QString existing = ExistingFile(fileName);
        if (existing.isEmpty() || IsCompressed(existing))
            return;
        const QByteArray packed = zCompress(FileBytes::read(existing));
        const QString target = m_extension.isEmpty() || endsWithExtension(existing) ? existing : existing + m_extension;
        replaceFile(existing, target, packed);
    });
}

void clsZlib::Decompress(const QString& fileName)
{
    ProcedureFrame frame(u"Sub Decompress"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        const QString existing = ExistingFile(fileName);
        if (existing.isEmpty() || !IsCompressed(existing))
            return;
        const QByteArray plain = zDecompress(FileBytes::read(existing));
        const QString target = endsWithExtension(existing) ? existing.chopped(m_extension.size()) : existing;
        replaceFile(existing, target, plain);
    });
}

void clsZlib::Save(const QString& fileName, const QString& text, bool compressed)
{
    ProcedureFrame frame(u"Sub Save"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        const QByteArray bytes = Ansi::fromUnicode(text);
        if (!compressed) {
            FileBytes::write(fileName, bytes);
            return;
        }
        const QString target = m_extension.isEmpty() || endsWithExtension(fileName) ? fileName : fileName + m_extension;
        FileBytes::write(target, zCompress(bytes));
    });
}

QString clsZlib::Read(const QString& fileName)
{
    ProcedureFrame frame(u"Function Read"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const QString existing = ExistingFile(fileName);
        if (existing.isEmpty())
            RuntimeErrors::raise(RuntimeErrors::FileNotFound);
        const QByteArray bytes = FileBytes::read(existing);
        // The header is tested on the bytes read, so that the file is read once.
        return Ansi::toUnicode(hasZlibHeader(bytes) ? zDecompress(bytes) : bytes);
    });
}

QByteArray clsZlib::zCompress(const QByteArray& data)
{
    ProcedureFrame frame(u"Function zCompress"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const double capacity = std::nearbyint(double(data.size()) * 1.01 + 13);
        if (capacity > double(kLongestBuffer))
            RuntimeErrors::raise(RuntimeErrors::Overflow);
        QByteArray output(qsizetype(capacity) + 1, Qt::Uninitialized);
        uLongf length = uLongf(capacity);
        const int result = compress(reinterpret_cast<Bytef*>(output.data()), &length,
                                    reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
        if (result != Z_OK)
            frame.raise(zlibError(result, u"Compress"_s, messageFor(kCompressMessages, kCompressUnknown, result)));
        output.truncate(qsizetype(length));
        return output;
    });
}

QByteArray clsZlib::zDecompress(const QByteArray& data)
{
    ProcedureFrame frame(u"Function zDecompress"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        // The uncompressed length is not stored: try ever larger buffers.
        QByteArray output;
        for (qint64 factor = kFirstFactor;; factor *= 2) {
            const qint64 capacity = factor * data.size();
            if (factor > kLastFactor || capacity > kLongestBuffer)
                RuntimeErrors::raise(RuntimeErrors::Overflow);
            output.resize(qsizetype(capacity) + 1);
            uLongf length = uLongf(capacity);
            const int result = uncompress(reinterpret_cast<Bytef*>(output.data()), &length,
                                          reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
            if (result == Z_BUF_ERROR)
                continue;
            if (result != Z_OK)
                frame.raise(zlibError(result, u"Uncompress"_s, messageFor(kUncompressMessages, kUncompressUnknown, result)));
            output.truncate(qsizetype(length));
            return output;
        }
    });
}
