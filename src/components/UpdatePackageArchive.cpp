#include "components/UpdatePackageArchive.h"

#include <QFile>
#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

qint64 octal(const char* field, int length, bool* ok)
{
    qint64 value = 0;
    int i = 0;
    while (i < length && field[i] == ' ')
        ++i;
    bool digits = false;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value > (qint64(1) << 56)) {
            *ok = false;
            return 0;
        }
        value = value * 8 + (field[i] - '0');
        digits = true;
    }
    for (; i < length; ++i)
        if (field[i] != ' ' && field[i] != '\0') {
            *ok = false;
            return 0;
        }
    *ok = digits;
    return value;
}

QString text(const char* field, int length)
{
    return QString::fromUtf8(field, qstrnlen(field, length));
}

bool headerChecksumMatches(const char* block, bool* ok)
{
    const qint64 stored = octal(block + 148, 8, ok);
    if (!*ok)
        return false;
    qint64 sum = 0;
    for (int i = 0; i < UpdatePackageArchive::kBlockSize; ++i)
        sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(block[i]);
    return sum == stored;
}

bool allZero(const char* block)
{
    for (int i = 0; i < UpdatePackageArchive::kBlockSize; ++i)
        if (block[i] != 0)
            return false;
    return true;
}

} // namespace

int UpdatePackageArchive::openRegularFile(const QString& fileName, bool* notRegular)
{
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return -1;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (notRegular)
            *notRegular = true;
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

UpdatePackageArchive::UpdatePackageArchive(const QString& fileName)
{
    bool notRegular = false;
    const int descriptor = openRegularFile(fileName, &notRegular);
    if (descriptor < 0) {
        fail(notRegular ? QStringLiteral("is not a regular file") : QStringLiteral("cannot be opened"));
        return;
    }
    m_file = gzdopen(descriptor, "rb");
    if (!m_file) {
        ::close(descriptor);
        fail(QStringLiteral("cannot be opened"));
    }
}

UpdatePackageArchive::~UpdatePackageArchive()
{
    if (m_file)
        gzclose(static_cast<gzFile>(m_file));
}

bool UpdatePackageArchive::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
    return false;
}

bool UpdatePackageArchive::readBlock(char* block)
{
    const int read = gzread(static_cast<gzFile>(m_file), block, kBlockSize);
    if (read == kBlockSize)
        return true;
    return fail(QStringLiteral("truncated or damaged"));
}

bool UpdatePackageArchive::skipRest()
{
    return readData([](const char*, qint64) { return true; });
}

std::optional<UpdatePackageArchive::Member> UpdatePackageArchive::next()
{
    if (!m_error.isEmpty() || (m_dataPending && !skipRest()))
        return std::nullopt;
    std::array<char, kBlockSize> block{};
    if (!readBlock(block.data()))
        return std::nullopt;
    if (allZero(block.data()))
        return std::nullopt; // the end-of-archive marker
    bool ok = false;
    if (!headerChecksumMatches(block.data(), &ok)) {
        fail(QStringLiteral("damaged member header"));
        return std::nullopt;
    }
    Member member;
    member.type = block[156];
    member.mode = quint32(octal(block.data() + 100, 8, &ok));
    if (!ok)
        member.mode = 0644;
    member.size = octal(block.data() + 124, 12, &ok);
    const bool sizeOk = ok;
    member.linkTarget = text(block.data() + 157, 100);
    member.path = text(block.data(), 100);
    // POSIX ustar keeps the front of a long name in a prefix field.
    if (qstrncmp(block.data() + 257, "ustar", 6) == 0 && block[345] != '\0')
        member.path = text(block.data() + 345, 155) + QLatin1Char('/') + member.path;
    if (!sizeOk) {
        fail(QStringLiteral("damaged member header"));
        return std::nullopt;
    }
    if (member.size > kMaxMemberSize) {
        fail(QStringLiteral("member %1 is too large (%2 bytes)").arg(member.path).arg(member.size));
        return std::nullopt;
    }
    m_remaining = member.size;
    m_dataPending = true;
    return member;
}

bool UpdatePackageArchive::readData(const Sink& sink)
{
    if (!m_dataPending)
        return m_error.isEmpty();
    m_dataPending = false;
    std::array<char, kBlockSize> block{};
    bool wanted = true;
    while (m_remaining > 0) {
        if (!readBlock(block.data()))
            return false;
        const qint64 chunk = std::min<qint64>(m_remaining, kBlockSize);
        if (wanted)
            wanted = sink(block.data(), chunk);
        m_remaining -= chunk;
    }
    return m_error.isEmpty();
}
