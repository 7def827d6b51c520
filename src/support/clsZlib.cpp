#include "support/clsZlib.h"

#include "services/ProcedureFrame.h"
#include "platform/Ansi.h"
#include "platform/Blanks.h"
#include "platform/RuntimeErrors.h"
#include "support/FileBytes.h"
#include "support/FileReplacement.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>
#include <limits>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kHeaderLength = 2;
constexpr int kDeflateMethod = 8;
constexpr int kHeaderCheckDivisor = 31;
// The most a compressed file may inflate to: vouchers and INI files are a few kilobytes, so this
// only ever stops a file made to exhaust memory.
constexpr qsizetype kMaximumInflated = qsizetype(64) * 1024 * 1024;
// The first output buffer, as a multiple of the input; it doubles as the data comes.
constexpr qsizetype kFirstOutputFactor = 4;
constexpr qsizetype kSmallestOutput = 4096;
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

[[noreturn]] void raiseTooLarge()
{
    throw zlibError(Z_BUF_ERROR, u"Uncompress"_s, messageFor(kUncompressMessages, kUncompressUnknown, Z_BUF_ERROR));
}

// Inflates a whole zlib stream in one pass, the output growing as it comes; results as
// uncompress gives them. A stream that inflates beyond the limit is Z_BUF_ERROR.
int inflateWhole(const QByteArray& data, QByteArray& output)
{
    z_stream stream{};
    int result = inflateInit(&stream);
    if (result != Z_OK)
        return result;
    const auto release = qScopeGuard([&] { inflateEnd(&stream); });
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    qsizetype unread = data.size();
    qsizetype produced = 0;
    output.resize(std::clamp(data.size() * kFirstOutputFactor, kSmallestOutput, kMaximumInflated + 1));
    for (;;) {
        if (produced == output.size()) {
            // Room for one byte beyond the limit tells a stream of exactly the limit from a longer one.
            if (output.size() > kMaximumInflated)
                return Z_BUF_ERROR;
            output.resize(std::min(output.size() * 2, kMaximumInflated + 1));
        }
        if (stream.avail_in == 0) {
            stream.avail_in = uInt(std::min<qsizetype>(unread, std::numeric_limits<uInt>::max()));
            unread -= stream.avail_in;
        }
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + produced);
        stream.avail_out = uInt(std::min<qsizetype>(output.size() - produced, std::numeric_limits<uInt>::max()));
        const uInt room = stream.avail_out;
        result = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        if (result == Z_STREAM_END) {
            if (produced > kMaximumInflated)
                return Z_BUF_ERROR;
            output.truncate(produced);
            return Z_OK;
        }
        // Out of input with room left: the stream was cut short.
        if (result == Z_NEED_DICT || (result == Z_BUF_ERROR && stream.avail_out > 0))
            return Z_DATA_ERROR;
        if (result != Z_OK && result != Z_BUF_ERROR)
            return result;
    }
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

QStringList clsZlib::documentNames(const QString& fileName) const
{
    if (m_extension.isEmpty())
        return {fileName};
    const QString plain = endsWithExtension(fileName) ? fileName.chopped(m_extension.size()) : fileName;
    return {plain, plain + m_extension};
}

void clsZlib::finishInterruptedReplacement(const QString& fileName) const
{
    if (!fileName.isEmpty())
        FileReplacement::recover(documentNames(fileName));
}

QString clsZlib::ExistingFile(const QString& fileName)
{
    ProcedureFrame frame(u"Function ExistingFile"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        finishInterruptedReplacement(fileName);
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

bool clsZlib::startsCompressed(const QString& fileName)
{
    // One byte more than the header, so that the length test holds for what was read.
    return hasZlibHeader(FileBytes::readFirst(fileName, kHeaderLength + 1));
}

bool clsZlib::IsCompressed(const QString& fileName)
{
    return probe(fileName, 0).compressed;
}

bool clsZlib::IsCompressed(const QString& fileName, QByteArray& content)
{
    Probe result = probe(fileName, kLargestKeptContent);
    content = result.whole ? std::move(result.bytes) : QByteArray();
    return result.compressed;
}

clsZlib::Probe clsZlib::probe(const QString& fileName, qint64 wholeUpTo)
{
    ProcedureFrame frame(u"Function IsCompressed"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        Probe result;
        finishInterruptedReplacement(fileName);
        const QFileInfo file(fileName);
        if (!file.isFile() || file.size() <= kHeaderLength)
            return result;
        result.whole = file.size() <= wholeUpTo;
        // Else one byte more than the header, so that the length test holds for what was read.
        result.bytes = result.whole ? FileBytes::read(fileName) : FileBytes::readFirst(fileName, kHeaderLength + 1);
        result.compressed = hasZlibHeader(result.bytes);
        return result;
    });
}

QByteArray clsZlib::readCompressed(const QString& fileName)
{
    // Deflate stores at worst a few bytes per block more than the data: anything longer would
    // inflate beyond the limit, so it is refused unread.
    if (FileBytes::size(fileName) > qint64(compressBound(uLong(kMaximumInflated))))
        raiseTooLarge();
    return FileBytes::read(fileName);
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
        FileReplacement::replace(existing, target, packed);
    });
}

void clsZlib::Decompress(const QString& fileName)
{
    ProcedureFrame frame(u"Sub Decompress"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        const QString existing = ExistingFile(fileName);
        if (existing.isEmpty() || !IsCompressed(existing))
            return;
        const QByteArray plain = zDecompress(readCompressed(existing));
        const QString target = endsWithExtension(existing) ? existing.chopped(m_extension.size()) : existing;
        FileReplacement::replace(existing, target, plain);
    });
}

void clsZlib::Save(const QString& fileName, const QString& text, bool compressed)
{
    ProcedureFrame frame(u"Sub Save"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        finishInterruptedReplacement(fileName);
        const QByteArray bytes = Ansi::fromUnicode(text);
        if (!compressed) {
            FileReplacement::replace(fileName, fileName, bytes);
            return;
        }
        const QString target = m_extension.isEmpty() || endsWithExtension(fileName) ? fileName : fileName + m_extension;
        FileReplacement::replace(target, target, zCompress(bytes));
    });
}

QString clsZlib::Read(const QString& fileName)
{
    ProcedureFrame frame(u"Function Read"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        const QString existing = ExistingFile(fileName);
        if (existing.isEmpty())
            RuntimeErrors::raise(RuntimeErrors::FileNotFound);
        // The header decides before the file is read, so a huge plain file is read only as text.
        if (!startsCompressed(existing))
            return Ansi::toUnicode(FileBytes::read(existing));
        return Ansi::toUnicode(zDecompress(readCompressed(existing)));
    });
}

QByteArray clsZlib::ReadContent(const QByteArray& content)
{
    ProcedureFrame frame(u"Function Read"_s, kClassName);
    return frame.run(ErrorExit::rethrow(), [&] {
        if (!hasZlibHeader(content))
            return content;
        return zDecompress(content);
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
        QByteArray output;
        const int result = inflateWhole(data, output);
        if (result != Z_OK)
            frame.raise(zlibError(result, u"Uncompress"_s, messageFor(kUncompressMessages, kUncompressUnknown, result)));
        return output;
    });
}

qsizetype clsZlib::maximumInflatedSize()
{
    return kMaximumInflated;
}
